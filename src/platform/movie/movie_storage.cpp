#include "platform/movie/movie_storage.h"

#include "platform/bigendian.h"
#include "platform/movie/movie_errors.h"

#include <algorithm>
#include <cstring>

OSErr MovieStorage::create(const std::string& destination, bool replaceExisting,
                           std::unique_ptr<MovieStorage>& out, StorageFile::TempKind kind) {
    out.reset();
    std::unique_ptr<MovieStorage> storage(new MovieStorage);
    OSErr err = StorageFile::create(destination, replaceExisting, storage->m_file, kind);
    if (err != noErr)
        return err;
    storage->m_destination = destination;
    err = storage->writeLeadingAtoms(kDataStart);
    if (err != noErr) {
        storage->m_file->discard();
        return err;
    }
    out = std::move(storage);
    return noErr;
}

OSErr MovieStorage::writeLeadingAtoms(uint64_t dataStart) {
    // 'ftyp' (QuickTime brand), a 'free' atom filling any room up to the 'wide' placeholder, and an
    // 'mdat' header patched when finishing.
    constexpr uint64_t kFtypSize = 20;
    std::vector<uint8_t> atoms(dataStart, 0);
    uint8_t* const header = atoms.data();
    be::writeU32(header, uint32_t(kFtypSize));
    std::memcpy(header + 4, "ftypqt  ", 8);
    be::writeU32(header + 12, 0x20050300);
    std::memcpy(header + 16, "qt  ", 4);
    const uint64_t wideOffset = dataStart - 16;
    if (wideOffset > kFtypSize) {
        be::writeU32(header + kFtypSize, uint32_t(wideOffset - kFtypSize));
        std::memcpy(header + kFtypSize + 4, "free", 4);
    }
    be::writeU32(header + wideOffset, 8);
    std::memcpy(header + wideOffset + 4, "wide", 4);
    be::writeU32(header + wideOffset + 8, 8);
    std::memcpy(header + wideOffset + 12, "mdat", 4);
    if (OSErr err = m_file->writeAt(0, atoms.data(), atoms.size()); err != noErr)
        return err;
    m_dataStart = m_bufferStart = m_dataEnd = dataStart;
    m_fileEnd = std::max(m_fileEnd, dataStart);
    return noErr;
}

OSErr MovieStorage::fail(OSErr err) {
    if (err != noErr && m_status == noErr) {
        m_status = err;
        m_buffer.clear();
        m_buffer.shrink_to_fit();
        if (m_file)
            m_file->discard();
    }
    return err;
}

OSErr MovieStorage::flushBuffer() {
    if (m_buffer.empty())
        return noErr;
    OSErr err = m_file->writeAt(m_bufferStart, m_buffer.data(), m_buffer.size());
    m_bufferStart += m_buffer.size();
    m_fileEnd = std::max(m_fileEnd, m_bufferStart);
    m_buffer.clear();
    return fail(err);
}

OSErr MovieStorage::appendData(const void* data, uint64_t size, uint64_t& fileOffset) {
    if (m_status != noErr)
        return m_status;
    fileOffset = m_dataEnd;
    // New media data overwrites any movie atom written before it.
    m_movieAtomCurrent = false;
    if (m_buffer.size() + size <= kBufferSize) {
        if (m_buffer.capacity() < kBufferSize)
            m_buffer.reserve(kBufferSize);
        const auto* p = static_cast<const uint8_t*>(data);
        m_buffer.insert(m_buffer.end(), p, p + size);
        m_dataEnd += size;
        return noErr;
    }
    if (OSErr err = flushBuffer(); err != noErr)
        return err;
    // Large samples go straight to the file in large sequential writes.
    if (OSErr err = fail(m_file->writeAt(m_dataEnd, data, size_t(size))); err != noErr)
        return err;
    m_dataEnd += size;
    m_bufferStart = m_dataEnd;
    m_fileEnd = std::max(m_fileEnd, m_dataEnd);
    return noErr;
}

OSErr MovieStorage::appendFileRange(int source, uint64_t sourceOffset, uint64_t length,
                                    uint64_t& fileOffset) {
    if (m_status != noErr)
        return m_status;
    // Before any media data (nothing appended, buffered or left as a gap) it may still move.
    if (m_dataEnd == kDataStart && m_dataStart == kDataStart) {
        if (OSErr err = fail(writeLeadingAtoms(kAlignedDataStart)); err != noErr)
            return err;
    }
    if (OSErr err = flushBuffer(); err != noErr)
        return err;
    m_movieAtomCurrent = false;
    const OSErr err = m_file->copyAt(m_dataEnd, source, sourceOffset, length);
    // Part of the range may be in the file even when it failed: the movie atom or the next sample
    // goes over it, and a file left longer is cut at the movie atom's end.
    m_fileEnd = std::max(m_fileEnd, m_dataEnd + length);
    if (err == eofErr)
        return err;
    if (err != noErr)
        return fail(err);
    fileOffset = m_dataEnd;
    m_dataEnd += length;
    m_bufferStart = m_dataEnd;
    return noErr;
}

OSErr MovieStorage::addGap(uint64_t size) {
    if (m_status != noErr)
        return m_status;
    if (OSErr err = flushBuffer(); err != noErr)
        return err;
    m_movieAtomCurrent = false;
    m_dataEnd += size;
    m_bufferStart = m_dataEnd;
    // The hole exists once something is written after it; the movie atom always is.
    return noErr;
}

OSErr MovieStorage::writeMovieAtom(const std::vector<uint8_t>& movieAtom) {
    if (m_status != noErr)
        return m_status;
    if (OSErr err = flushBuffer(); err != noErr)
        return err;
    if (OSErr err = fail(m_file->writeAt(m_dataEnd, movieAtom.data(), movieAtom.size())); err != noErr)
        return err;
    uint64_t end = m_dataEnd + movieAtom.size();
    if (m_fileEnd > end) {
        if (OSErr err = fail(m_file->truncate(end)); err != noErr)
            return err;
    }
    m_fileEnd = end;
    m_movieAtomCurrent = true;
    return noErr;
}

OSErr MovieStorage::writeMediaDataHeader() {
    const uint64_t mdatOffset = m_dataStart - 8;
    uint64_t mdatSize = 8 + (m_dataEnd - m_dataStart);
    if (mdatSize <= 0xFFFFFFFFull) {
        uint8_t size32[4];
        be::writeU32(size32, uint32_t(mdatSize));
        return m_file->writeAt(mdatOffset, size32, 4);
    }
    // 64-bit form: size field 1, 'mdat', then the u64 size counting the 16 header bytes; it takes the
    // place of the 'wide' atom so that the samples stay where the chunk offsets say.
    uint8_t header[16];
    be::writeU32(header, 1);
    std::memcpy(header + 4, "mdat", 4);
    be::writeU64(header + 8, mdatSize + 8);
    return m_file->writeAt(mdatOffset - 8, header, sizeof header);
}

OSErr MovieStorage::finish(bool flushOnCommit) {
    if (m_status != noErr)
        return m_status;
    OSErr err = flushBuffer();
    if (err == noErr && !m_movieAtomCurrent)
        err = invalidMovie;
    if (err == noErr)
        err = writeMediaDataHeader();
    if (err == noErr)
        err = m_file->commit(flushOnCommit);
    if (err != noErr) {
        fail(err);
        return err;
    }
    m_status = dataAlreadyClosed;
    return noErr;
}

void MovieStorage::abort() {
    if (m_file)
        m_file->discard();
    if (m_status == noErr)
        m_status = dataAlreadyClosed;
}
