#include "farm/slurm_cluster.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <netinet/in.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace farmfixtures {

namespace {

/// A TCP port free just now (the kernel's choice for a socket bound to port 0).
int freePort() {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    socklen_t size = sizeof address;
    int port = -1;
    if (fd >= 0 && bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
        getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size) == 0)
        port = ntohs(address.sin_port);
    if (fd >= 0)
        close(fd);
    return port;
}

std::string shortHostName() {
    char name[256] = "";
    gethostname(name, sizeof name - 1);
    std::string host = name;
    return host.substr(0, host.find('.'));
}

/// Runs a daemon in the foreground as a child that gets SIGTERM should this process die first.
pid_t startDaemon(const std::vector<std::string>& argv, const std::string& log) {
    const pid_t parent = getpid();
    const pid_t pid = fork();
    if (pid != 0)
        return pid;
    prctl(PR_SET_PDEATHSIG, SIGTERM);
    if (getppid() != parent)
        _exit(1);
    const int fd = open(log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
    dup2(fd, 1);
    dup2(fd, 2);
    std::vector<char*> args;
    for (const std::string& arg : argv)
        args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);
    execvp(args[0], args.data());
    _exit(127);
}

/// Waits for the child up to `seconds`; true when it ended.
bool reap(pid_t pid, int seconds) {
    for (int waited = 0; waited < seconds * 100; ++waited) {
        if (waitpid(pid, nullptr, WNOHANG) == pid)
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

} // namespace

std::unique_ptr<SlurmCluster> SlurmCluster::start(std::string& why) {
    if (geteuid() != 0) {
        why = "slurmd runs its tasks as root here, and this test is not root";
        return nullptr;
    }
    for (const char* program : {"slurmctld", "slurmd", "sbatch", "squeue", "scancel", "scontrol", "sinfo"})
        if (!testsupport::haveProgram(program)) {
            why = std::string(program) + " is not installed (scripts/setup.sh installs Slurm)";
            return nullptr;
        }
    std::unique_ptr<SlurmCluster> cluster(new SlurmCluster);
    const std::string root = cluster->m_dir.path().string();
    for (const char* folder : {"state", "spool", "log"})
        std::filesystem::create_directories(cluster->m_dir.path() / folder);
    const std::string host = shortHostName();
    const unsigned cpus = std::max(1u, std::thread::hardware_concurrency());
    cluster->m_conf = root + "/slurm.conf";
    std::ofstream(cluster->m_conf)
        << "ClusterName=reelmaker-test\n"
        << "SlurmctldHost=" << host << "\n"
        << "SlurmctldPort=" << freePort() << "\nSlurmdPort=" << freePort() << "\n"
        << "SlurmUser=root\nSlurmdUser=root\n"
        << "AuthType=auth/none\nCredType=cred/none\nMpiDefault=none\n"
        << "StateSaveLocation=" << root << "/state\nSlurmdSpoolDir=" << root << "/spool\n"
        << "SlurmctldPidFile=" << root << "/slurmctld.pid\nSlurmdPidFile=" << root << "/slurmd.pid\n"
        << "SlurmctldLogFile=" << root << "/log/slurmctld.log\nSlurmdLogFile=" << root << "/log/slurmd.log\n"
        << "ProctrackType=proctrack/linuxproc\nTaskPlugin=task/none\n"
        << "SelectType=select/cons_tres\nSelectTypeParameters=CR_Core\n"
        << "JobAcctGatherType=jobacct_gather/none\nAccountingStorageType=accounting_storage/none\n"
        << "MailProg=/bin/true\nKillWait=5\nReturnToService=2\n"
        << "SchedulerParameters=batch_sched_delay=0,sched_min_interval=0\n"
        << "NodeName=" << host << " CPUs=" << cpus << " State=UNKNOWN\n"
        << "PartitionName=test Nodes=ALL Default=YES MaxTime=INFINITE State=UP\n";
    setenv("SLURM_CONF", cluster->m_conf.c_str(), 1);
    cluster->m_controller = startDaemon({"slurmctld", "-D", "-f", cluster->m_conf}, root + "/log/slurmctld.out");
    cluster->m_node = startDaemon({"slurmd", "-D", "-f", cluster->m_conf}, root + "/log/slurmd.out");
    if (!cluster->waitForIdleNode(why))
        return nullptr;
    return cluster;
}

bool SlurmCluster::waitForIdleNode(std::string& why) {
    // Up within a few seconds; the bound only keeps a broken installation from hanging the suite.
    for (int tries = 0; tries < 600; ++tries) {
        const testsupport::CommandResult state = testsupport::runProgram({"sinfo", "-h", "-o", "%T"});
        if (state.out.rfind("idle", 0) == 0)
            return true;
        if (waitpid(m_controller, nullptr, WNOHANG) != 0 || waitpid(m_node, nullptr, WNOHANG) != 0) {
            why = "a daemon ended at its start:\n" + logs();
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    why = "the node never became idle:\n" + logs();
    return false;
}

std::string SlurmCluster::logs() const {
    std::string text;
    for (const char* log : {"log/slurmctld.log", "log/slurmd.log", "log/slurmctld.out", "log/slurmd.out"}) {
        const std::vector<uint8_t> bytes = testsupport::readFile(m_dir.file(log));
        const std::string all(bytes.begin(), bytes.end());
        text += std::string("== ") + log + "\n" + all.substr(all.size() > 2000 ? all.size() - 2000 : 0);
    }
    return text;
}

SlurmCluster::~SlurmCluster() {
    testsupport::runProgram({"scontrol", "shutdown"});
    for (pid_t* pid : {&m_controller, &m_node}) {
        if (*pid <= 0)
            continue;
        if (!reap(*pid, 10)) {
            kill(*pid, SIGTERM);
            if (!reap(*pid, 10)) {
                kill(*pid, SIGKILL);
                waitpid(*pid, nullptr, 0);
            }
        }
        *pid = -1;
    }
    unsetenv("SLURM_CONF");
}

} // namespace farmfixtures
