#include "platform/read_file.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

std::optional<uint64_t> sizeOfFileAtPath(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0)
        return std::nullopt;
    return uint64_t(info.st_size);
}

bool isResourceFailure(int error) {
    return error == EMFILE || error == ENFILE || error == ENOMEM || error == EIO;
}

std::string unopenedFileText(int error) {
    switch (error) {
    case ENOENT:
    case ENOTDIR:
        return "no such file";
    case EACCES:
    case EPERM:
        return "permission denied";
    case ELOOP:
        return "symbolic link loop";
    case EISDIR:
        return "a folder";
    case EINVAL:
        return "not a regular file";
    default:
        return std::string("the file can't be opened (") + std::strerror(error) + ")";
    }
}

std::unique_ptr<ReadableFile> ReadableFile::fileHandleForReadingAtPath(const std::string& path, int* error) {
    // Non-blocking open so that a FIFO can't hang us before we see that it is no regular file.
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        if (error)
            *error = errno;
        return nullptr;
    }
    struct stat info {};
    const bool statted = ::fstat(fd, &info) == 0;
    if (!statted || !S_ISREG(info.st_mode)) {
        if (error) // not a regular file: nothing to read, whatever it is
            *error = statted ? (S_ISDIR(info.st_mode) ? EISDIR : EINVAL) : errno;
        ::close(fd);
        return nullptr;
    }
    // O_NONBLOCK stays set: it has no effect on a regular file, and clearing it would cost two
    // more system calls per file in a directory scan.
    return std::unique_ptr<ReadableFile>(new ReadableFile(fd, uint64_t(info.st_size)));
}

ReadableFile::~ReadableFile() {
    closeFile();
}

void ReadableFile::closeFile() {
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
}

size_t ReadableFile::readDataAtOffset(uint64_t offset, void* buffer, size_t length) {
    if (m_fd < 0)
        return 0;
    if (offset + length > kHeadBytes || offset + length < offset)
        return readFromFile(offset, buffer, length);
    if (!m_headRead) {
        m_head.resize(kHeadBytes);
        m_head.resize(readFromFile(0, m_head.data(), kHeadBytes));
        m_headRead = true;
    }
    const size_t available = offset < m_head.size() ? std::min(length, size_t(m_head.size() - offset)) : 0;
    if (available > 0)
        std::memcpy(buffer, m_head.data() + offset, available);
    return available;
}

size_t ReadableFile::readFromFile(uint64_t offset, void* buffer, size_t length) {
    auto* bytes = static_cast<char*>(buffer);
    size_t done = 0;
    // One logical read; the kernel may hand it over in parts.
    while (done < length) {
        uint64_t position = offset + done;
        if (position > uint64_t(INT64_MAX))
            break;
        ssize_t got = ::pread(m_fd, bytes + done, length - done, off_t(position));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            m_readError = errno;
        if (got <= 0)
            break;
        done += size_t(got);
    }
    return done;
}
