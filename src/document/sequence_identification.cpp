// Identification of one frame file by its first four bytes (openFileAtPath).
#include "document/dpx_movie_file.h"

#include "framefiles/cineon_file.h"
#include "framefiles/dpx_file.h"
#include "framefiles/frame_file_code.h"
#include "platform/log.h"
#include "platform/read_file.h"

namespace {

void logUnknownID(const std::string& path, uint32_t id) {
    char c[4] = {char(id >> 24), char(id >> 16), char(id >> 8), char(id)};
    // A small ID shows as two blanks and its last two decimal digits, not as control bytes.
    if (id <= 63) {
        c[0] = ' ';
        c[1] = ' ';
        c[2] = char('0' + id / 10 % 10);
        c[3] = char('0' + id % 10);
    }
    NSLog("Can't identify file %s - contains unknown ID: '%c%c%c%c' (0x%08x)\n", path.c_str(), c[0], c[1],
          c[2], c[3], id);
}

} // namespace

std::shared_ptr<FrameFile> DPXMovieFile::openFileAtPath(const std::string& path, int32_t& fileCode) {
    fileCode = kFileCodeUnknown;
    // Opened first; only when that fails is the file system asked whether anything is there at
    // all, to tell a missing file from one that can't be read (or is a directory).
    std::unique_ptr<ReadableFile> file = ReadableFile::fileHandleForReadingAtPath(path);
    if (!file) {
        if (!sizeOfFileAtPath(path))
            NSLog("Can't find file at path: %s\n", path.c_str());
        else
            NSLog("Error: couldn't open file %s\n", path.c_str());
        return nullptr;
    }
    uint8_t first[4];
    size_t got = file->readDataAtOffset(0, first, sizeof first);
    uint32_t id = frameFileIDOfBytes(first, got);

    // The reader takes over the open file instead of opening the path again: a scan then costs
    // one open per entry, and the header read is that of the very file identified. It closes the
    // file with closeFile() or when it is released.
    std::shared_ptr<FrameFile> reader;
    switch (frameFileCodeOfID(id)) {
    case kFileCodeDPX:
        reader = MyDPXFile::initWithPath(path, std::move(file));
        break;
    case kFileCodeCineon:
        reader = MyCineonFile::initWithPath(path, std::move(file));
        break;
    case kFileCodeUnknown:
        logUnknownID(path, id);
        return nullptr;
    }
    // The reader has logged its own complaint.
    if (!reader || !reader->fileOK())
        return nullptr;
    fileCode = frameFileCodeOfID(id);
    return reader;
}
