#include "framefiles/frame_file_code.h"

#include "platform/bigendian.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

FrameFileCode frameFileCodeOfID(uint32_t id) {
    switch (id) {
    case kDPXFileID:
        return kFileCodeDPX;
    case kCineonFileID:
        return kFileCodeCineon;
    default:
        return kFileCodeUnknown;
    }
}

uint32_t frameFileIDOfBytes(const uint8_t* bytes, size_t count) {
    return count >= 4 ? be::readU32(bytes) : 0;
}

FrameFileCode frameFileCodeOfBytes(const uint8_t* bytes, size_t count) {
    return frameFileCodeOfID(frameFileIDOfBytes(bytes, count));
}

int readFrameFileID(const std::string& path, uint32_t& id) {
    id = 0;
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return errno;
    struct stat info {};
    if (::fstat(fd, &info) != 0 || S_ISDIR(info.st_mode)) {
        int error = S_ISDIR(info.st_mode) ? EISDIR : errno;
        ::close(fd);
        return error;
    }
    uint8_t bytes[4];
    size_t count = 0;
    while (count < sizeof bytes) {
        ssize_t got = ::read(fd, bytes + count, sizeof bytes - count);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            int error = errno;
            ::close(fd);
            return error;
        }
        if (got == 0)
            break;
        count += size_t(got);
    }
    ::close(fd);
    id = frameFileIDOfBytes(bytes, count);
    return 0;
}
