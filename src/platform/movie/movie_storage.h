// The layout of a movie file on its StorageFile: 'ftyp', 'wide', 'mdat' (the copied samples, appended
// as they come), then 'moov'. When the media data passes 4 GiB the 'wide' and 'mdat' headers become one
// 64-bit 'mdat' header in the same 16 bytes, so no sample moves. When the first media data comes from
// another file, a 'free' atom goes before 'wide' so that it starts at 64 KiB: a multiple of every file
// system's block size, so that whole blocks of the frame files can be shared into the movie, and of the
// 32 KiB that 2K frames are multiples of, so that the kernel writes their pages in large folios (2K
// frames copied in the kernel take a quarter less time than from 4096). The first failure of the file is
// kept: the temporary file is discarded at once and every later call returns that status.
#pragma once

#include "platform/movie/storage_file.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class MovieStorage {
public:
    static OSErr create(const std::string& destination, bool replaceExisting,
                        std::unique_ptr<MovieStorage>& out,
                        StorageFile::TempKind kind = StorageFile::TempKind::Automatic);

    /// Appends sample bytes to the media data; fileOffset gets where they start in the file.
    OSErr appendData(const void* data, uint64_t size, uint64_t& fileOffset);
    /// Appends `length` bytes from `sourceOffset` of the open file `source` to the media data, by the
    /// cheapest way the file systems allow (StorageFile::copyAt); fileOffset gets where they start.
    /// eofErr when the source ends before them: nothing is added, the storage stays usable, and what
    /// was copied of them is written over by whatever comes next.
    OSErr appendFileRange(int source, uint64_t sourceOffset, uint64_t length, uint64_t& fileOffset);
    /// Bytes that appendFileRange put into the file each way.
    uint64_t copiedBytes(CopyWay way) const { return m_file ? m_file->copiedBytes(way) : 0; }
    /// Leaves a hole of that many bytes in the media data.
    OSErr addGap(uint64_t size);
    /// Writes (or rewrites) the movie atom after the media data.
    OSErr writeMovieAtom(const std::vector<uint8_t>& movieAtom);
    /// Completes the headers and gives the file its name. Needs a current movie atom (invalidMovie).
    OSErr finish(bool flushOnCommit);
    /// Discards the temporary file.
    void abort();
    /// From now on finish never replaces a file under the destination's name (dupFNErr instead).
    void keepExisting() {
        if (m_file)
            m_file->keepExisting();
    }

    /// noErr while usable; the first failure, or dataAlreadyClosed once finished or aborted.
    OSErr status() const { return m_status; }
    /// True once a movie atom was written and no sample data has been added after it.
    bool movieAtomCurrent() const { return m_movieAtomCurrent; }
    const std::string& destination() const { return m_destination; }
    bool usesUnnamedTempFile() const { return m_file && m_file->isUnnamed(); }
    std::string tempPath() const { return m_file ? m_file->tempPath() : std::string(); }

    static constexpr uint64_t kDataStart = 36;           // first sample byte: 'ftyp', 'wide', 'mdat' header
    static constexpr uint64_t kAlignedDataStart = 65536; // with a 'free' atom after 'ftyp'
    static constexpr size_t kBufferSize = size_t(1) << 20;

private:
    MovieStorage() = default;
    OSErr flushBuffer();
    OSErr fail(OSErr err);
    /// Writes the atoms before the media data so that it starts at `dataStart`.
    OSErr writeLeadingAtoms(uint64_t dataStart);
    OSErr writeMediaDataHeader();

    std::unique_ptr<StorageFile> m_file;
    std::string m_destination;
    std::vector<uint8_t> m_buffer;     // small appends gather here before one write
    uint64_t m_dataStart = kDataStart; // the 16 bytes before it are 'wide' and the 'mdat' header
    uint64_t m_bufferStart = kDataStart;
    uint64_t m_dataEnd = kDataStart; // end of the media data (buffer included)
    uint64_t m_fileEnd = kDataStart; // bytes the file holds on disk (the movie atom included)
    bool m_movieAtomCurrent = false;
    OSErr m_status = noErr;
};
