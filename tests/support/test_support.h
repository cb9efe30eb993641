// Helpers shared by the test executables.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace testsupport {

/// A fresh directory under the system's temporary directory, removed with everything in it.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& path() const { return m_path; }
    std::string file(const std::string& name) const { return (m_path / name).string(); }

private:
    std::filesystem::path m_path;
};

struct CommandResult {
    int exitStatus = -1;
    std::string out;
    std::string err;
    long peakKilobytes = 0; // the child's peak resident memory
};

/// True in a build with a sanitizer, whose memory and speed figures mean nothing.
constexpr bool kSanitizedBuild =
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    true;
#else
    false;
#endif

/// Runs a program with arguments (no shell), capturing standard output and error.
CommandResult runProgram(const std::vector<std::string>& argv);
/// Runs the reelmaker command-line tool with these arguments.
CommandResult runCli(const std::vector<std::string>& args);
/// Runs a shell command line (for the independent tools: ffprobe, ffmpeg, mediainfo).
CommandResult runShell(const std::string& commandLine);

/// True when a program is on PATH.
bool haveProgram(const std::string& name);

/// The shared sample corpus beside the checkout, or empty when it is absent.
std::filesystem::path sharedDir();

void writeFile(const std::string& path, const std::vector<uint8_t>& bytes);
std::vector<uint8_t> readFile(const std::string& path);

} // namespace testsupport

/// Skips the current test with a message when the shared corpus is absent.
#define REQUIRE_SHARED_DIR()                                                                                 \
    do {                                                                                                     \
        if (testsupport::sharedDir().empty())                                                                \
            GTEST_SKIP() << "shared sample corpus not found beside the checkout; skipping";                  \
    } while (0)

/// Skips the current test with a message when a program is missing.
#define REQUIRE_PROGRAM(name)                                                                                \
    do {                                                                                                     \
        if (!testsupport::haveProgram(name))                                                                 \
            GTEST_SKIP() << name << " is not installed; skipping";                                           \
    } while (0)
