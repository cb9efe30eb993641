#include "cli/frame_report.h"

#include "framefiles/cineon_file.h"
#include "framefiles/dpx_file.h"
#include "framefiles/dpx_timecode.h"
#include "framefiles/frame_file_code.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>

namespace {

std::string unknownIDProblem(uint32_t id) {
    char c[5] = {};
    if (id > 63) {
        for (int i = 0; i < 4; ++i) {
            unsigned char byte = (id >> (24 - 8 * i)) & 0xFF;
            c[i] = byte >= 32 && byte < 127 ? char(byte) : '.';
        }
    } else {
        std::snprintf(c, sizeof c, "  %u%u", id / 10 % 10, id % 10);
    }
    char text[64];
    std::snprintf(text, sizeof text, "unknown ID '%s' (0x%08x)", c, id);
    return text;
}

void fillFromReader(FrameReport& report, const FrameFile& reader) {
    FrameFileCheck check = reader.check();
    report.fileOK = check == FrameFileCheck::ok;
    if (!report.fileOK)
        report.problem = reader.checkText(check);
    if (check == FrameFileCheck::noHeader)
        return;
    NSSize size = reader.frameSize();
    report.width = int64_t(size.width);
    report.height = int64_t(size.height);
    report.dataOffset = reader.dataOffset();
    report.filename = reader.filename();
    if (std::optional<FrameLayout> layout = reader.declaredLayout()) {
        report.layout = layout->text;
        report.layoutWarning = !layout->native;
        report.layoutRefusal = layout->refusal;
    }
}

} // namespace

FrameReport reportFrameFile(const std::string& path) {
    FrameReport report;
    report.path = path;
    report.kind = "unknown";
    uint32_t id = 0;
    // A FIFO or a device would read as an empty file, a loop of links as a missing one.
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0 && errno == ELOOP) {
        report.problem = "cannot read the file: symbolic link loop";
        return report;
    }
    if (::stat(path.c_str(), &info) == 0 && !S_ISREG(info.st_mode) && !S_ISDIR(info.st_mode)) {
        report.problem = "cannot read the file: not a regular file";
        return report;
    }
    if (int error = readFrameFileID(path, id)) {
        report.problem = std::string("cannot read the file: ") + std::strerror(error);
        return report;
    }
    switch (frameFileCodeOfID(id)) {
    case kFileCodeDPX: {
        report.kind = "dpx";
        std::shared_ptr<MyDPXFile> reader = MyDPXFile::initWithPath(path);
        if (!reader)
            break;
        fillFromReader(report, *reader);
        if (uint32_t timecode = reader->timecode(); timecode != kNoTimeCode) {
            // Without a movie rate, the header's own rate says whether frames reach 40-59.
            std::optional<DPXHeader> header = reader->header();
            bool above30 =
                header && headerRateAbove30(header->filmInfo.frameRate, header->videoInfo.tSampleRate);
            report.timecode = timeCodeString(timecode, above30);
        }
        break;
    }
    case kFileCodeCineon: {
        report.kind = "cineon";
        std::shared_ptr<MyCineonFile> reader = MyCineonFile::initWithPath(path);
        if (reader)
            fillFromReader(report, *reader);
        break;
    }
    case kFileCodeMovie: // a movie is told by its atoms, never by an ID
    case kFileCodeUnknown:
        // Without a readable ID nothing is opened: the file is in no sequence.
        report.problem =
            sizeOfFileAtPath(path).value_or(0) < 4 ? "shorter than 4 bytes: ID 0" : unknownIDProblem(id);
        break;
    }
    if (report.kind != "unknown" && !report.fileOK && !report.problem)
        report.problem = "out of memory";
    return report;
}
