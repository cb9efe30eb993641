#include "cli/cluster/child_process.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

/// A pipe's two ends, closed with it.
class Pipe {
public:
    Pipe() {
        if (pipe2(m_fds, O_CLOEXEC) != 0)
            m_fds[0] = m_fds[1] = -1;
    }
    ~Pipe() {
        closeRead();
        closeWrite();
    }
    Pipe(const Pipe&) = delete;
    Pipe& operator=(const Pipe&) = delete;
    bool ok() const { return m_fds[0] >= 0; }
    int readEnd() const { return m_fds[0]; }
    int writeEnd() const { return m_fds[1]; }
    void closeRead() { closeEnd(0); }
    void closeWrite() { closeEnd(1); }

private:
    void closeEnd(int end) {
        if (m_fds[end] >= 0)
            close(m_fds[end]);
        m_fds[end] = -1;
    }
    int m_fds[2];
};

/// The spawn's file actions and attributes, destroyed with it.
struct SpawnSetup {
    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attributes;
    SpawnSetup() {
        posix_spawn_file_actions_init(&actions);
        posix_spawnattr_init(&attributes);
    }
    ~SpawnSetup() {
        posix_spawn_file_actions_destroy(&actions);
        posix_spawnattr_destroy(&attributes);
    }
    SpawnSetup(const SpawnSetup&) = delete;
    SpawnSetup& operator=(const SpawnSetup&) = delete;
};

/// Reads both pipes to their ends, whichever the child fills first.
void drain(Pipe& out, Pipe& err, ChildOutcome& outcome) {
    struct pollfd fds[2] = {{out.readEnd(), POLLIN, 0}, {err.readEnd(), POLLIN, 0}};
    std::string* texts[2] = {&outcome.out, &outcome.err};
    int open = 2;
    char buffer[8192];
    while (open > 0) {
        if (poll(fds, 2, -1) < 0) {
            if (errno == EINTR)
                continue;
            return;
        }
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || fds[i].revents == 0)
                continue;
            const ssize_t n = read(fds[i].fd, buffer, sizeof buffer);
            if (n > 0) {
                texts[i]->append(buffer, size_t(n));
            } else if (n == 0 || errno != EINTR) {
                fds[i].fd = -1;
                --open;
            }
        }
    }
}

} // namespace

ChildOutcome runChild(const std::vector<std::string>& argv) {
    ChildOutcome outcome;
    Pipe out, err;
    if (argv.empty() || !out.ok() || !err.ok()) {
        outcome.err = argv.empty() ? "no program" : std::strerror(errno);
        return outcome;
    }
    SpawnSetup setup;
    posix_spawn_file_actions_addopen(&setup.actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&setup.actions, out.writeEnd(), 1);
    posix_spawn_file_actions_adddup2(&setup.actions, err.writeEnd(), 2);
    sigset_t none;
    sigemptyset(&none);
    posix_spawnattr_setsigmask(&setup.attributes, &none);
    posix_spawnattr_setpgroup(&setup.attributes, 0);
    posix_spawnattr_setflags(&setup.attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETPGROUP);

    std::vector<char*> args;
    for (const std::string& arg : argv)
        args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);
    pid_t pid = 0;
    if (const int error = posix_spawnp(&pid, args[0], &setup.actions, &setup.attributes, args.data(), environ);
        error != 0) {
        outcome.err = argv[0] + ": " + std::strerror(error);
        return outcome;
    }
    outcome.started = true;
    out.closeWrite();
    err.closeWrite();
    drain(out, err, outcome);
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    outcome.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    // posix_spawnp reports a program it can't find through the child's exit status 127.
    if (outcome.status == 127 && outcome.out.empty() && outcome.err.empty()) {
        outcome.started = false;
        outcome.err = argv[0] + ": not found on PATH";
    }
    return outcome;
}

bool programOnPath(const std::string& program) {
    auto executable = [](const std::string& path) {
        struct stat st {};
        return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && access(path.c_str(), X_OK) == 0;
    };
    if (program.find('/') != std::string::npos)
        return executable(program);
    const char* path = std::getenv("PATH");
    std::string folders = path ? path : "/usr/bin:/bin";
    size_t start = 0;
    while (start <= folders.size()) {
        const size_t end = std::min(folders.find(':', start), folders.size());
        const std::string folder = end > start ? folders.substr(start, end - start) : ".";
        if (executable(folder + "/" + program))
            return true;
        start = end + 1;
    }
    return false;
}
