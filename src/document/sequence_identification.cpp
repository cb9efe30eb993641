// Identification of one frame file by its first four bytes (openFileAtPath).
#include "document/dpx_movie_file.h"

#include "framefiles/cineon_file.h"
#include "framefiles/dpx_file.h"
#include "framefiles/frame_file_code.h"
#include "platform/log.h"
#include "platform/read_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

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

// The first bytes of a frame file written in the other byte order.
constexpr uint32_t kLittleEndianDPXID = 0x58504453;    // 'XPDS'
constexpr uint32_t kLittleEndianCineonID = 0xD75F2A80; // D7 5F 2A 80

std::string unknownIDText(uint32_t id) {
    char text[48];
    char c[4];
    for (int i = 0; i < 4; ++i) {
        const unsigned char byte = (id >> (24 - 8 * i)) & 0xFF;
        c[i] = byte >= 32 && byte < 127 ? char(byte) : '.';
    }
    std::snprintf(text, sizeof text, "unknown ID '%c%c%c%c' (0x%08x)", c[0], c[1], c[2], c[3], id);
    return text;
}

} // namespace

std::shared_ptr<FrameFile> DPXMovieFile::openFileAtPath(const std::string& path, int32_t& fileCode,
                                                        bool allowLargeFrames, std::string* problem,
                                                        int* resourceError) {
    fileCode = kFileCodeUnknown;
    auto refuse = [problem](const std::string& why) {
        if (problem)
            *problem = why;
        return nullptr;
    };
    // Opened first; why that failed is said the way every listing says it. Out of descriptors or
    // memory, or the storage failing, nothing was learnt about the file: the caller is told apart.
    int openError = 0;
    std::unique_ptr<ReadableFile> file = ReadableFile::fileHandleForReadingAtPath(path, &openError);
    if (!file) {
        if (openError == ENOENT || openError == ENOTDIR)
            NSLog("Can't find file at path: %s\n", path.c_str());
        else
            NSLog("Error: couldn't open file %s\n", path.c_str());
        if (resourceError && isResourceFailure(openError))
            *resourceError = openError;
        return refuse(unopenedFileText(openError));
    }
    uint8_t first[4];
    size_t got = file->readDataAtOffset(0, first, sizeof first);
    if (got < sizeof first && isResourceFailure(file->readError())) {
        NSLog("Error: couldn't read file %s (%s)\n", path.c_str(), std::strerror(file->readError()));
        if (resourceError)
            *resourceError = file->readError();
        return refuse(std::string("the file can't be read (") + std::strerror(file->readError()) + ")");
    }
    uint32_t id = frameFileIDOfBytes(first, got);

    // The reader takes over the open file instead of opening the path again: a scan then costs
    // one open per entry, and the header read is that of the very file identified. It closes the
    // file with closeFile() or when it is released.
    const float maxDimension = FrameFile::maxFrameDimension(allowLargeFrames);
    std::shared_ptr<FrameFile> reader;
    switch (frameFileCodeOfID(id)) {
    case kFileCodeDPX:
        reader = MyDPXFile::initWithPath(path, std::move(file), maxDimension);
        break;
    case kFileCodeCineon:
        reader = MyCineonFile::initWithPath(path, std::move(file), maxDimension);
        break;
    case kFileCodeMovie: // a movie is told by its atoms, never by an ID
    case kFileCodeUnknown:
        logUnknownID(path, id);
        // Files in the other byte order are frames all the same: say why they can't be copied.
        if (id == kLittleEndianDPXID)
            return refuse("little-endian DPX: its pixels would have to be converted");
        if (id == kLittleEndianCineonID)
            return refuse("little-endian Cineon: its pixels would have to be converted");
        return refuse(got < 4 ? std::string("shorter than 4 bytes") : unknownIDText(id));
    }
    if (!reader)
        return refuse("out of memory");
    // The reader has logged its own complaint.
    if (FrameFileCheck check = reader->check(); check != FrameFileCheck::ok)
        return refuse(reader->checkText(check));
    // Pixels of another layout would be copied as if they were 10-bit RGB words: noise.
    if (std::optional<std::string> refusal = reader->layoutRefusal()) {
        NSLog("Can't copy file %s: %s\n", path.c_str(), refusal->c_str());
        return refuse(*refusal);
    }
    fileCode = frameFileCodeOfID(id);
    return reader;
}
