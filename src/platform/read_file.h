// Files opened for reading: the platform's file manager and file handle calls that the frame readers
// rely on (existence and size with links followed, open, positioned read, close).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

/// The size in bytes of what the path names, symbolic links followed; nullopt when nothing exists
/// there (or a link dangles). A directory exists and has the size the file system gives it.
std::optional<uint64_t> sizeOfFileAtPath(const std::string& path);

/// Whether an error from opening or reading a file says nothing about the file itself: the process
/// or the system ran out of something (descriptors, memory) or the storage failed. Such a file was
/// never looked at; it must not be taken for one that is missing or refused.
bool isResourceFailure(int error);

/// Why a file could not be opened, as every listing of left-out entries says it: "no such file",
/// "permission denied", "symbolic link loop", "a folder", "not a regular file", or "the file can't
/// be opened (<the system's words>)".
std::string unopenedFileText(int error);

/// A file open for reading; closed by closeFile() or at destruction.
class ReadableFile {
public:
    /// Opens the file for reading, links followed; nullptr when it can't be opened or is not a
    /// regular file (a directory or a device yields no bytes to read as a frame), with the errno in
    /// `error` when given: EISDIR for a directory, EINVAL for anything else that is no regular file.
    static std::unique_ptr<ReadableFile> fileHandleForReadingAtPath(const std::string& path,
                                                                    int* error = nullptr);

    /// The file's size in bytes when it was opened.
    uint64_t sizeWhenOpened() const { return m_sizeWhenOpened; }

    ~ReadableFile();
    ReadableFile(const ReadableFile&) = delete;
    ReadableFile& operator=(const ReadableFile&) = delete;

    bool isOpen() const { return m_fd >= 0; }
    /// The open file's descriptor, for a copy of its bytes that doesn't pass through the process;
    /// -1 once closed. It stays the file's: the caller neither closes nor keeps it.
    int descriptor() const { return m_fd; }
    void closeFile();

    /// Reads up to `length` bytes starting at byte `offset` of the file into `buffer` and returns
    /// how many came: fewer than asked at the end of the file, on an error or after closeFile().
    /// The file's first kHeadBytes are read once, at the first read that lies within them: telling
    /// a frame's kind and then reading its header costs one read, not two (on network storage each
    /// read waits for a round trip).
    size_t readDataAtOffset(uint64_t offset, void* buffer, size_t length);
    static constexpr size_t kHeadBytes = 2048;
    /// The errno of the last read that failed, 0 when none did.
    int readError() const { return m_readError; }

private:
    ReadableFile(int fd, uint64_t size) : m_fd(fd), m_sizeWhenOpened(size) {}
    size_t readFromFile(uint64_t offset, void* buffer, size_t length);

    int m_fd;
    uint64_t m_sizeWhenOpened;
    std::vector<uint8_t> m_head; // the first bytes, once read
    bool m_headRead = false;
    int m_readError = 0;
};
