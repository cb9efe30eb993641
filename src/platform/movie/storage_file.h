// A file written under a temporary identity in its destination's directory and given the destination's
// name only when it is complete, so that a crash or a failed write never leaves a partial file under
// that name and an existing file is replaced only by a complete one.
//
// The temporary file is unnamed (O_TMPFILE) where the file system allows it, so that even a killed
// process leaves nothing behind; elsewhere it is a hidden ".NAME.XXXXXX.part" file beside the
// destination, removed on every failure.
#pragma once

#include "platform/movie/range_copy.h"
#include "platform/types.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

/// The platform status for an errno value of a file operation.
OSErr StatusFromErrno(int error);

class StorageFile {
public:
    enum class TempKind { Automatic, Unnamed, Named };

    /// Opens a temporary file for `destination` (an absolute path). Without replaceExisting an existing
    /// destination gives dupFNErr, now and again at commit.
    static OSErr create(const std::string& destination, bool replaceExisting,
                        std::unique_ptr<StorageFile>& out, TempKind kind = TempKind::Automatic);
    ~StorageFile();
    StorageFile(const StorageFile&) = delete;
    StorageFile& operator=(const StorageFile&) = delete;

    /// Writes all bytes at the offset, in slices of at most kSliceSize.
    OSErr writeAt(uint64_t offset, const void* data, size_t count);
    /// Puts `length` bytes from `sourceOffset` of the open file `source` at the offset, by the cheapest
    /// way the file systems allow (RangeCopier::copy, whose statuses it returns; eofErr: the source
    /// ended first).
    OSErr copyAt(uint64_t offset, int source, uint64_t sourceOffset, uint64_t length);
    /// Bytes that copyAt put into the file each way so far.
    uint64_t copiedBytes(CopyWay way) const { return m_copier.bytes(way); }
    OSErr truncate(uint64_t size);
    /// Forces the data to the disk (also done by commit when flushOnCommit).
    OSErr sync();
    /// Gives the file the destination's name and closes it. On failure the file is discarded.
    OSErr commit(bool flushOnCommit);
    /// Closes and removes the temporary file; the destination is left as it was.
    void discard();
    /// From now on commit never replaces a file under the destination's name (dupFNErr instead).
    void keepExisting() { m_replaceExisting = false; }

    bool isOpen() const { return m_fd >= 0; }
    bool isUnnamed() const { return m_unnamed; }
    /// The temporary file's path while it has one (named kind), else empty.
    const std::string& tempPath() const { return m_tempPath; }
    const std::string& destination() const { return m_destination; }

    static constexpr size_t kSliceSize = size_t(1) << 20;

private:
    StorageFile() = default;
    OSErr linkUnnamed(const std::string& name);
    OSErr commitUnnamed();
    OSErr commitNamed();

    int m_fd = -1;
    bool m_unnamed = false;
    bool m_replaceExisting = false;
    std::string m_destination;
    std::string m_directory;
    std::string m_tempPath;
    RangeCopier m_copier{FirstCopyWay()}; // remembers, for this file, the ways that failed
};
