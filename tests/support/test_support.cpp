#include "support/test_support.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace testsupport {

TempDir::TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "reelmaker-test-XXXXXX").string();
    char* made = mkdtemp(pattern.data());
    if (!made)
        throw std::runtime_error("mkdtemp failed");
    m_path = made;
}

TempDir::~TempDir() {
    std::error_code ec;
    // Restore write permission on anything a test made read-only, so the tree can be removed.
    for (auto it = std::filesystem::recursive_directory_iterator(m_path, ec);
         !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
        if (it->is_directory(ec))
            std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                         std::filesystem::perm_options::add, ec);
    }
    std::filesystem::permissions(m_path, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ec);
    std::filesystem::remove_all(m_path, ec);
}

namespace {

std::string slurp(int fd) {
    std::string text;
    std::array<char, 65536> buffer;
    ssize_t n;
    while ((n = read(fd, buffer.data(), buffer.size())) > 0)
        text.append(buffer.data(), size_t(n));
    return text;
}

} // namespace

CommandResult runProgram(const std::vector<std::string>& argv) {
    CommandResult result;
    // Output goes to temporary files so a chatty child can never block on a full pipe.
    char outName[] = "/tmp/reelmaker-out-XXXXXX";
    char errName[] = "/tmp/reelmaker-err-XXXXXX";
    int outFd = mkstemp(outName);
    int errFd = mkstemp(errName);
    unlink(outName);
    unlink(errName);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, outFd, 1);
    posix_spawn_file_actions_adddup2(&actions, errFd, 2);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);

    std::vector<char*> args;
    for (const std::string& arg : argv)
        args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);

    pid_t pid;
    if (posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ) == 0) {
        int status = 0;
        struct rusage usage {};
        wait4(pid, &status, 0, &usage);
        result.peakKilobytes = usage.ru_maxrss;
        result.exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    posix_spawn_file_actions_destroy(&actions);
    lseek(outFd, 0, SEEK_SET);
    lseek(errFd, 0, SEEK_SET);
    result.out = slurp(outFd);
    result.err = slurp(errFd);
    close(outFd);
    close(errFd);
    return result;
}

CommandResult runCli(const std::vector<std::string>& args) {
    std::vector<std::string> argv{REELMAKER_CLI_PATH};
    argv.insert(argv.end(), args.begin(), args.end());
    return runProgram(argv);
}

CommandResult runShell(const std::string& commandLine) {
    return runProgram({"/bin/sh", "-c", commandLine});
}

bool haveProgram(const std::string& name) {
    return runShell("command -v " + name + " >/dev/null 2>&1").exitStatus == 0;
}

std::filesystem::path sharedDir() {
    std::filesystem::path dir = REELMAKER_SHARED_DIR;
    std::error_code ec;
    if (std::filesystem::exists(dir / "samples" / "expected.tsv", ec))
        return std::filesystem::weakly_canonical(dir, ec);
    return {};
}

void writeFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

std::vector<uint8_t> readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

} // namespace testsupport
