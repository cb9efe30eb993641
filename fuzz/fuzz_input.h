// The fuzz targets' input as a file: the readers take paths. An anonymous memory file, reached
// through /proc, costs no disk and is a regular file as the readers require.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <sys/mman.h>
#include <unistd.h>

class FuzzInputFile {
public:
    FuzzInputFile(const uint8_t* data, size_t size) {
        m_fd = memfd_create("fuzz-input", MFD_CLOEXEC);
        if (m_fd < 0)
            return;
        size_t written = 0;
        while (written < size) {
            ssize_t n = write(m_fd, data + written, size - written);
            if (n <= 0)
                break;
            written += size_t(n);
        }
    }
    ~FuzzInputFile() {
        if (m_fd >= 0)
            close(m_fd);
    }
    FuzzInputFile(const FuzzInputFile&) = delete;
    FuzzInputFile& operator=(const FuzzInputFile&) = delete;

    bool ok() const { return m_fd >= 0; }
    std::string path() const { return "/proc/self/fd/" + std::to_string(m_fd); }

private:
    int m_fd = -1;
};
