// A private one-node Slurm for the tests: its own slurm.conf, ports, state, spool and log folders in
// a temporary folder, no accounting, no munge (auth/none), slurmctld and slurmd run in the
// foreground as this process's children (ended with it should it die), stopped with `scontrol
// shutdown` and by their process ids. SLURM_CONF points the tests' commands at it.
#pragma once

#include "support/test_support.h"

#include <memory>
#include <string>
#include <sys/types.h>

namespace farmfixtures {

class SlurmCluster {
public:
    /// Starts the cluster and waits until its node is idle; null with `why` when it can't be had
    /// here (not root, Slurm not installed, the daemons didn't come up).
    static std::unique_ptr<SlurmCluster> start(std::string& why);
    ~SlurmCluster();
    SlurmCluster(const SlurmCluster&) = delete;
    SlurmCluster& operator=(const SlurmCluster&) = delete;

    const std::string& conf() const { return m_conf; }

private:
    SlurmCluster() = default;
    bool waitForIdleNode(std::string& why);
    std::string logs() const;

    testsupport::TempDir m_dir;
    std::string m_conf;
    pid_t m_controller = -1;
    pid_t m_node = -1;
};

} // namespace farmfixtures

/// The cluster of the test suite, or the test skipped with the reason it couldn't start.
#define REQUIRE_SLURM_CLUSTER(cluster)                                                                     \
    do {                                                                                                   \
        if (!(cluster))                                                                                    \
            GTEST_SKIP() << "no private Slurm: " << s_why;                                                 \
    } while (0)
