#include "platform/movie/range_copy.h"

#include "platform/movie/storage_file.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <linux/fs.h>
#include <new>
#include <sys/ioctl.h>
#include <sys/vfs.h>
#include <unistd.h>

namespace {

int shareRange(int source, uint64_t sourceOffset, uint64_t length, int destination,
               uint64_t destinationOffset) {
    file_clone_range range{};
    range.src_fd = int64_t(source);
    range.src_offset = sourceOffset;
    range.src_length = length;
    range.dest_offset = destinationOffset;
    return ioctl(destination, FICLONERANGE, &range);
}

ssize_t copyRange(int source, off_t* sourceOffset, int destination, off_t* destinationOffset, size_t length) {
    return copy_file_range(source, sourceOffset, destination, destinationOffset, length, 0);
}

uint64_t blockSize(int fd) {
    struct statfs info {};
    if (fstatfs(fd, &info) != 0 || info.f_bsize <= 0)
        return 0;
    return uint64_t(info.f_bsize);
}

/// The way isn't there for these files: not worth asking again.
bool wayMissing(int error) {
    return error == EOPNOTSUPP || error == ENOSYS || error == ENOTTY || error == EXDEV;
}

/// The destination has no room: no other way would find any.
bool destinationFull(int error) {
    return error == ENOSPC || error == EDQUOT || error == EFBIG;
}

// One in-kernel copy call at most; the kernel takes less than 2 GiB per call anyway.
constexpr uint64_t kKernelCallBytes = uint64_t(1) << 30;

} // namespace

const RangeCopier::Calls& RangeCopier::systemCalls() {
    static const Calls calls{shareRange, copyRange, ::pread, ::pwrite, blockSize};
    return calls;
}

RangeCopier::RangeCopier(CopyWay firstWay, const Calls& calls)
    : m_calls(calls), m_canShare(firstWay == CopyWay::shared), m_canCopyInKernel(firstWay != CopyWay::user) {}

OSErr RangeCopier::copy(int source, uint64_t sourceOffset, int destination, uint64_t destinationOffset,
                        uint64_t length) {
    if (length == 0)
        return noErr;
    OSErr status = noErr;
    if (m_canShare) {
        const Outcome outcome = share(source, sourceOffset, destination, destinationOffset, length, status);
        if (outcome != Outcome::nextWay)
            return status;
    }
    if (m_canCopyInKernel) {
        const Outcome outcome =
            copyInKernel(source, sourceOffset, destination, destinationOffset, length, status);
        if (outcome != Outcome::nextWay)
            return status;
    }
    return copyThroughBlock(source, sourceOffset, destination, destinationOffset, length);
}

RangeCopier::Outcome RangeCopier::share(int source, uint64_t sourceOffset, int destination,
                                        uint64_t destinationOffset, uint64_t length, OSErr& status) {
    if (m_destinationBlock == 0) {
        m_destinationBlock = m_calls.blockSize(destination);
        if (m_destinationBlock == 0) {
            m_canShare = false;
            return Outcome::nextWay;
        }
    }
    // Only whole blocks can be shared: a block of the movie can't be half one frame's, half another's.
    const uint64_t block = m_destinationBlock;
    if (sourceOffset % block != 0 || destinationOffset % block != 0 || length % block != 0)
        return Outcome::nextWay;
    if (m_calls.shareRange(source, sourceOffset, length, destination, destinationOffset) == 0) {
        m_bytes[size_t(CopyWay::shared)] += length;
        return Outcome::done;
    }
    const int error = errno;
    if (destinationFull(error)) {
        status = StatusFromErrno(error);
        return Outcome::failed;
    }
    if (wayMissing(error))
        m_canShare = false;
    return Outcome::nextWay;
}

RangeCopier::Outcome RangeCopier::copyInKernel(int source, uint64_t& sourceOffset, int destination,
                                               uint64_t& destinationOffset, uint64_t& length, OSErr& status) {
    while (length > 0) {
        off_t in = off_t(sourceOffset);
        off_t out = off_t(destinationOffset);
        const ssize_t copied =
            m_calls.copyRange(source, &in, destination, &out, size_t(std::min(length, kKernelCallBytes)));
        if (copied > 0) {
            // A part: the rest follows in the next call.
            sourceOffset += uint64_t(copied);
            destinationOffset += uint64_t(copied);
            length -= uint64_t(copied);
            m_bytes[size_t(CopyWay::kernel)] += uint64_t(copied);
            continue;
        }
        // Nothing copied: the source ends here, or its file system copies nothing this way. The user
        // copy tells which.
        if (copied == 0)
            return Outcome::nextWay;
        const int error = errno;
        if (error == EINTR)
            continue;
        if (destinationFull(error)) {
            status = StatusFromErrno(error);
            return Outcome::failed;
        }
        if (wayMissing(error))
            m_canCopyInKernel = false;
        return Outcome::nextWay;
    }
    return Outcome::done;
}

OSErr RangeCopier::copyThroughBlock(int source, uint64_t sourceOffset, int destination,
                                    uint64_t destinationOffset, uint64_t length) {
    if (!m_block) {
        m_block.reset(new (std::nothrow) uint8_t[kBlockSize]);
        if (!m_block)
            return memFullErr;
    }
    uint8_t* const block = m_block.get();
    while (length > 0) {
        const size_t want = size_t(std::min<uint64_t>(length, kBlockSize));
        size_t got = 0;
        while (got < want) {
            const ssize_t n = m_calls.readAt(source, block + got, want - got, off_t(sourceOffset + got));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                return eofErr; // the source ends here, or can't be read
            got += size_t(n);
        }
        for (size_t put = 0; put < got;) {
            const ssize_t n =
                m_calls.writeAt(destination, block + put, got - put, off_t(destinationOffset + put));
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0)
                return StatusFromErrno(errno);
            if (n == 0)
                return ioErr;
            put += size_t(n);
        }
        sourceOffset += got;
        destinationOffset += got;
        length -= got;
        m_bytes[size_t(CopyWay::user)] += got;
    }
    return noErr;
}

CopyWay FirstCopyWay() {
    const char* forced = std::getenv("REELMAKER_TEST_COPY_WAY");
    if (forced && std::strcmp(forced, "kernel") == 0)
        return CopyWay::kernel;
    if (forced && std::strcmp(forced, "user") == 0)
        return CopyWay::user;
    return CopyWay::shared;
}
