// The ways a range of one file is put into another, each answer of the system driven by a script:
// which way is tried next, what is remembered, and what a failure means.
#include "platform/movie/range_copy.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <deque>
#include <fcntl.h>
#include <unistd.h>

namespace {

/// One scripted answer: a negative errno fails the call; 0 lets it do its work (the share and the
/// in-kernel copy are played by reads and writes, whatever the machine's file systems); for the
/// in-kernel copy, a positive number copies at most that many bytes and kEnd copies none.
using Script = std::deque<int>;
constexpr int kEnd = 1 << 30;

struct Scripts {
    Script share, kernel, read, write;
};

/// RangeCopier's calls on two real files, answering from the scripts, then as the system would.
class ScriptedCalls {
public:
    explicit ScriptedCalls(Scripts scripts, uint64_t blockSize) : m_scripts(std::move(scripts)) {
        calls.shareRange = [this](int source, uint64_t sourceOffset, uint64_t length, int destination,
                                  uint64_t destinationOffset) -> int {
            m_log += "share ";
            if (int answer = next(m_scripts.share); answer < 0)
                return fail(answer);
            return move(source, sourceOffset, destination, destinationOffset, length) == ssize_t(length)
                       ? 0
                       : fail(-EINVAL);
        };
        calls.copyRange = [this](int source, off_t* sourceOffset, int destination, off_t* destinationOffset,
                                 size_t length) -> ssize_t {
            m_log += "kernel ";
            int answer = next(m_scripts.kernel);
            if (answer < 0)
                return fail(answer);
            if (answer == kEnd)
                return 0;
            if (answer > 0)
                length = std::min(length, size_t(answer));
            return move(source, uint64_t(*sourceOffset), destination, uint64_t(*destinationOffset), length);
        };
        calls.readAt = [this](int fd, void* buffer, size_t count, off_t offset) -> ssize_t {
            m_log += "read ";
            if (int answer = next(m_scripts.read); answer < 0)
                return fail(answer);
            return ::pread(fd, buffer, count, offset);
        };
        calls.writeAt = [this](int fd, const void* buffer, size_t count, off_t offset) -> ssize_t {
            m_log += "write ";
            if (int answer = next(m_scripts.write); answer < 0)
                return fail(answer);
            return ::pwrite(fd, buffer, count, offset);
        };
        calls.blockSize = [blockSize](int) { return blockSize; };
    }

    RangeCopier::Calls calls;
    /// The calls made, in order, since the last look.
    std::string takeLog() { return std::exchange(m_log, {}); }

private:
    static int next(Script& script) {
        if (script.empty())
            return 0;
        int answer = script.front();
        script.pop_front();
        return answer;
    }
    static int fail(int negativeErrno) {
        errno = -negativeErrno;
        return -1;
    }
    /// What the share and the in-kernel copy do when they work: the bytes there are, up to length.
    static ssize_t move(int source, uint64_t sourceOffset, int destination, uint64_t destinationOffset,
                        size_t length) {
        std::vector<uint8_t> bytes(length);
        const ssize_t got = ::pread(source, bytes.data(), length, off_t(sourceOffset));
        if (got <= 0)
            return got;
        return ::pwrite(destination, bytes.data(), size_t(got), off_t(destinationOffset));
    }

    Scripts m_scripts;
    std::string m_log;
};

/// A file of `size` bytes that differ from their neighbours, open for reading.
struct SourceFile {
    SourceFile(const std::string& path, size_t size) : bytes(size) {
        for (size_t i = 0; i < size; ++i)
            bytes[i] = uint8_t(i * 7 + i / 251);
        testsupport::writeFile(path, bytes);
        fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    }
    ~SourceFile() { ::close(fd); }
    std::vector<uint8_t> bytes;
    int fd = -1;
};

constexpr uint64_t kBlock = 4096;

struct Copy {
    uint64_t sourceOffset;
    uint64_t destinationOffset;
    uint64_t length;
    OSErr status;
    const char* calls; // what it asked of the system
};

struct Case {
    const char* name;
    CopyWay firstWay;
    uint64_t blockSize;
    size_t sourceSize;
    Scripts scripts;
    std::vector<Copy> copies;
    uint64_t shared, kernel, user; // bytes each way in the end
};

TEST(RangeCopy, EachAnswerOfTheSystemLeadsToTheNextWayOrToTheRightFailure) {
    const uint64_t m = RangeCopier::kBlockSize; // the user copy's block
    // clang-format off
    const Case cases[] = {
        {"whole blocks are shared", CopyWay::shared, kBlock, 5 * kBlock, {},
         {{kBlock, 0, 2 * kBlock, noErr, "share "}, {3 * kBlock, 2 * kBlock, 2 * kBlock, noErr, "share "}},
         4 * kBlock, 0, 0},
        {"a range that isn't whole blocks is copied in the kernel, never offered to share", CopyWay::shared,
         kBlock, 3 * kBlock, {},
         {{2048, 0, kBlock, noErr, "kernel "}, {0, kBlock, kBlock + 8, noErr, "kernel "},
          {0, 100, kBlock, noErr, "kernel "}},
         0, 3 * kBlock + 8, 0},
        {"no sharing on this file system: asked once", CopyWay::shared, kBlock, 4 * kBlock,
         {{-EOPNOTSUPP}, {}, {}, {}},
         {{0, 0, kBlock, noErr, "share kernel "}, {kBlock, kBlock, kBlock, noErr, "kernel "}},
         0, 2 * kBlock, 0},
        {"another file system: asked once", CopyWay::shared, kBlock, 4 * kBlock,
         {{-EXDEV}, {-EXDEV}, {}, {}},
         {{0, 0, kBlock, noErr, "share kernel read write "}, {kBlock, kBlock, kBlock, noErr, "read write "}},
         0, 0, 2 * kBlock},
        {"a range the share refuses goes on to the kernel, and the next is offered again", CopyWay::shared,
         kBlock, 4 * kBlock, {{-EINVAL}, {}, {}, {}},
         {{0, 0, kBlock, noErr, "share kernel "}, {kBlock, kBlock, kBlock, noErr, "share "}},
         kBlock, kBlock, 0},
        {"no room for shared blocks is a full disk, tried no other way", CopyWay::shared, kBlock, 2 * kBlock,
         {{-ENOSPC}, {}, {}, {}},
         {{0, 0, kBlock, dskFulErr, "share "}},
         0, 0, 0},
        {"the kernel copies in parts, interrupted or not", CopyWay::shared, kBlock, 3 * kBlock,
         {{}, {1000, -EINTR, 3000, 0}, {}, {}},
         {{0, 1, 3 * kBlock, noErr, "kernel kernel kernel kernel "}},
         0, 3 * kBlock, 0},
        {"an in-kernel copy that stops short hands the rest to the user copy", CopyWay::kernel, kBlock,
         2 * kBlock, {{}, {1000, kEnd}, {}, {}},
         {{0, 0, 2 * kBlock, noErr, "kernel kernel read write "}},
         0, 1000, 2 * kBlock - 1000},
        {"a failure the kernel can't place is placed by the user copy: a source it can't read",
         CopyWay::kernel, kBlock, 2 * kBlock, {{}, {-EIO}, {-EIO}, {}},
         {{0, 0, kBlock, eofErr, "kernel read "}},
         0, 0, 0},
        {"... or a destination it can't write", CopyWay::kernel, kBlock, 2 * kBlock,
         {{}, {-EIO}, {}, {-EIO}},
         {{0, 0, kBlock, ioErr, "kernel read write "}},
         0, 0, 0},
        {"a full disk in the kernel", CopyWay::kernel, kBlock, 2 * kBlock,
         {{}, {500, -EDQUOT}, {}, {}},
         {{0, 0, kBlock, dskFulErr, "kernel kernel "}},
         0, 500, 0},
        {"a source shorter than the range", CopyWay::shared, kBlock, 3 * kBlock, {},
         {{kBlock, 0, 3 * kBlock, eofErr, "share kernel kernel read "}},
         0, 2 * kBlock, 0},
        {"the user copy alone: through blocks of 1 MiB", CopyWay::user, kBlock, 2 * m + 10, {},
         {{5, 0, 2 * m + 5, noErr, "read write read write read write "}},
         0, 0, 2 * m + 5},
        {"the user copy: a full disk", CopyWay::user, kBlock, 2 * kBlock,
         {{}, {}, {}, {-ENOSPC}},
         {{0, 0, kBlock, dskFulErr, "read write "}},
         0, 0, 0},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        testsupport::TempDir dir;
        SourceFile source(dir.file("source"), c.sourceSize);
        const int destination = ::open(dir.file("destination").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
        ASSERT_GE(destination, 0);
        ScriptedCalls calls(c.scripts, c.blockSize);
        RangeCopier copier(c.firstWay, calls.calls);
        for (const Copy& copy : c.copies) {
            EXPECT_EQ(
                copier.copy(source.fd, copy.sourceOffset, destination, copy.destinationOffset, copy.length),
                copy.status);
            EXPECT_EQ(calls.takeLog(), copy.calls);
            if (copy.status != noErr)
                continue;
            std::vector<uint8_t> written(copy.length);
            ASSERT_EQ(::pread(destination, written.data(), written.size(), off_t(copy.destinationOffset)),
                      ssize_t(copy.length));
            EXPECT_TRUE(
                std::equal(written.begin(), written.end(), source.bytes.begin() + long(copy.sourceOffset)));
        }
        EXPECT_EQ(copier.bytes(CopyWay::shared), c.shared);
        EXPECT_EQ(copier.bytes(CopyWay::kernel), c.kernel);
        EXPECT_EQ(copier.bytes(CopyWay::user), c.user);
        ::close(destination);
    }
}

} // namespace
