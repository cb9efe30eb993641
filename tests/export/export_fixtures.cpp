#include "export/export_fixtures.h"

#include "document/settings_tables.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace exportfixtures {

using testsupport::FrameSpec;

std::vector<uint32_t> sequencePixels(uint32_t width, uint32_t height, int index) {
    std::vector<uint32_t> words;
    words.reserve(size_t(width) * height);
    for (uint32_t y = 0; y < height; ++y)
        for (uint32_t x = 0; x < width; ++x)
            words.push_back(testsupport::rgb10Word((x * 13 + uint32_t(index) * 101) % 1024,
                                                   (y * 29 + uint32_t(index) * 7) % 1024,
                                                   (x + y + uint32_t(index) * 331) % 1024));
    return words;
}

std::vector<std::string> writeSequence(const std::string& directory, const std::string& base, int count,
                                       FrameSpec fileSpec) {
    std::vector<std::string> paths;
    const bool dpx = fileSpec.kind == testsupport::FrameKind::dpx;
    const uint32_t start = fileSpec.timecode;
    for (int i = 0; i < count; ++i) {
        char name[256];
        std::snprintf(name, sizeof name, "%s%04d.%s", base.c_str(), i + 1, dpx ? "dpx" : "cin");
        FrameSpec frame = fileSpec;
        frame.filename = name;
        frame.pixels = sequencePixels(fileSpec.width, fileSpec.height, i);
        if (dpx && start != 0xFFFFFFFF && i > 0) {
            // Frames of the timecode count on at 24 per second (the start's frames are below 24).
            unsigned ff = ((start >> 4) & 0x3) * 10 + (start & 0xF) + unsigned(i);
            unsigned ss = ((start >> 12) & 0x7) * 10 + ((start >> 8) & 0xF) + ff / 24;
            frame.timecode = (start & 0xFFFF0000u) | ((ss / 10) << 12) | ((ss % 10) << 8) |
                             (((ff % 24) / 10) << 4) | ((ff % 24) % 10);
        }
        std::string path = directory + "/" + name;
        testsupport::writeFrameFile(path, frame);
        paths.push_back(path);
    }
    return paths;
}

std::shared_ptr<DPXMovieFile> openDocument(HeadlessSession& session, const std::string& path) {
    std::shared_ptr<DPXMovieFile> document = session.openDocument(path);
    EXPECT_TRUE(document && document->currentFileCode() != 0) << path;
    return document;
}

ExportSettings settingsAtRate(const DPXMovieFile& document, const std::string& movie, bool reference,
                              int rateTag) {
    ExportSettings s = document.exportSettingsFor(movie, reference);
    settings::FrameRateSettings rate = settings::frameRateSettingsForTag(rateTag);
    s.movieTimescale = rate.movieTimescale;
    s.frameDuration = rate.frameDuration;
    s.tcDropFrame = rate.tcDropFrame;
    return s;
}

std::string probeStreams(const std::string& movie) {
    return testsupport::runShell(
               "ffprobe -v error -count_frames -show_entries stream=index,codec_type,codec_name,"
               "codec_tag_string,width,height,r_frame_rate,nb_frames,nb_read_frames:"
               "stream_tags=timecode,reel_name -of flat '" +
               movie + "'")
        .out;
}

::testing::AssertionResult hasLines(const std::string& text, const std::vector<std::string>& lines) {
    for (const std::string& line : lines)
        if (text.find(line + "\n") == std::string::npos)
            return ::testing::AssertionFailure() << "no line " << line << " in:\n" << text;
    return ::testing::AssertionSuccess();
}

std::string movieMd5(const std::string& movie) {
    return testsupport::runShell("ffmpeg -v error -nostdin -i '" + movie +
                                 "' -map 0:v:0 -pix_fmt gbrp10le -f md5 -")
        .out;
}

std::string framesMd5(const std::string& pattern, int first, int frames) {
    return testsupport::runShell("ffmpeg -v error -nostdin -start_number " + std::to_string(first) + " -i '" +
                                 pattern + "' -frames:v " + std::to_string(frames) +
                                 " -pix_fmt gbrp10le -f md5 -")
        .out;
}

} // namespace exportfixtures
