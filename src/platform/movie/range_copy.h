// Bytes of one open file put into another at a chosen offset by the cheapest way the file systems
// allow, tried in this order:
//   shared  the range's blocks shared into the destination (FICLONERANGE): nothing is copied and no
//           space is used. Only where both offsets and the length are multiples of the destination's
//           block size, on file systems that share extents (XFS with reflink, btrfs, ...).
//   kernel  an in-kernel copy (copy_file_range): the bytes never enter the process, and NFS 4.2 and
//           SMB3 servers copy them themselves.
//   user    reads and writes through a block of at most 1 MiB, small enough to stay in the cache.
// A way that the system or the pair of file systems doesn't offer (EOPNOTSUPP, ENOSYS, ENOTTY, EXDEV)
// is not tried again for the rest of the destination file. EINVAL (a range the way can't take) and a
// short result hand the rest of that range to the next way. Running out of space fails at once; any
// other failure of the first two ways is handed to the user copy, the one way that tells a source that
// can't be read from a destination that can't be written.
#pragma once

#include "platform/types.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <sys/types.h>

enum class CopyWay { shared, kernel, user };

class RangeCopier {
public:
    /// The system calls behind the ways, each answering as the system does (-1 and errno on failure);
    /// tests give their own to drive every answer.
    struct Calls {
        std::function<int(int source, uint64_t sourceOffset, uint64_t length, int destination,
                          uint64_t destinationOffset)>
            shareRange;
        std::function<ssize_t(int source, off_t* sourceOffset, int destination, off_t* destinationOffset,
                              size_t length)>
            copyRange;
        std::function<ssize_t(int fd, void* buffer, size_t count, off_t offset)> readAt;
        std::function<ssize_t(int fd, const void* buffer, size_t count, off_t offset)> writeAt;
        /// The file system's block size for `fd`, 0 when unknown.
        std::function<uint64_t(int fd)> blockSize;
    };
    static const Calls& systemCalls();

    /// Ways before `firstWay` are never tried.
    explicit RangeCopier(CopyWay firstWay = CopyWay::shared, const Calls& calls = systemCalls());
    RangeCopier(const RangeCopier&) = delete;
    RangeCopier& operator=(const RangeCopier&) = delete;

    /// Puts `length` bytes from `sourceOffset` of `source` at `destinationOffset` of `destination`.
    /// noErr when all of them are there; eofErr when the source ends before them or can't be read
    /// (what was written of the range stays, for the caller to write over); the destination's status
    /// (dskFulErr, ioErr, ...) when it can't take them; memFullErr without memory for the user copy.
    OSErr copy(int source, uint64_t sourceOffset, int destination, uint64_t destinationOffset,
               uint64_t length);

    /// Bytes put into the destination each way so far.
    uint64_t bytes(CopyWay way) const { return m_bytes[size_t(way)]; }

    static constexpr size_t kBlockSize = size_t(1) << 20;

private:
    enum class Outcome { done, nextWay, failed };
    Outcome share(int source, uint64_t sourceOffset, int destination, uint64_t destinationOffset,
                  uint64_t length, OSErr& status);
    Outcome copyInKernel(int source, uint64_t& sourceOffset, int destination, uint64_t& destinationOffset,
                         uint64_t& length, OSErr& status);
    OSErr copyThroughBlock(int source, uint64_t sourceOffset, int destination, uint64_t destinationOffset,
                           uint64_t length);

    const Calls& m_calls;
    bool m_canShare;
    bool m_canCopyInKernel;
    uint64_t m_destinationBlock = 0;    // 0 until asked
    std::unique_ptr<uint8_t[]> m_block; // the user copy's, made at its first use
    std::array<uint64_t, 3> m_bytes{};
};

/// The way a movie storage tries first: shared, unless the test-only switch REELMAKER_TEST_COPY_WAY
/// names "kernel" or "user" (tests and benchmarks force each way with it).
CopyWay FirstCopyWay();
