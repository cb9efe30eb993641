// The worker's writing of a movie, end to end: sequences written here, movies read back by ffprobe,
// ffmpeg, MediaInfo and our own reader.
#include "export/export_fixtures.h"
#include "support/test_support.h"

#include "platform/bigendian.h"
#include "platform/log.h"
#include "platform/movie/movie_check.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

using namespace exportfixtures;
using testsupport::FrameSpec;
using testsupport::TempDir;

constexpr int kTag24 = 1;
constexpr int kTag2997DropFrame = 3;

FrameSpec smallFrame(uint32_t timecode = testsupport::timecodeWord(1, 0, 0, 0)) {
    FrameSpec fileSpec;
    fileSpec.width = 64;
    fileSpec.height = 36;
    fileSpec.timecode = timecode;
    return fileSpec;
}

const MovieTrackInfo* trackOfType(const MovieFileInfo& info, OSType handler) {
    for (const MovieTrackInfo& track : info.tracks)
        if (track.handlerType == handler)
            return &track;
    return nullptr;
}

/// The 4-byte timecode sample of a movie's timecode track.
int32_t timecodeSample(const MovieFileInfo& info) {
    const MovieTrackInfo* tc = trackOfType(info, FourCC("tmcd"));
    if (!tc || tc->chunkOffsets.empty())
        return -1;
    std::vector<uint8_t> bytes = testsupport::readFile(info.path);
    return int32_t(be::readU32(bytes.data() + tc->chunkOffsets[0]));
}

TEST(SaveMovie, SelfContainedMovieHoldsTheFramesAtTheirRateSizeAndTimecode) {
    REQUIRE_PROGRAM("ffprobe");
    REQUIRE_PROGRAM("mediainfo");
    TempDir dir;
    writeSequence(dir.file(""), "shot_", 10, smallFrame());
    HeadlessSession session;
    auto document = openDocument(session, dir.file("shot_0001.dpx"));
    ExportSettings s = settingsAtRate(*document, dir.file("shot_.mov"), false, kTag24);
    s.codecType = FourCC("R10k");
    s.sourceID = "A001_C002";

    EXPECT_EQ(document->saveMovieWithSettings(s), noErr);
    const ExportOutcome& outcome = document->exportOutcome();
    EXPECT_TRUE(outcome.complete()) << outcome.problem;
    EXPECT_EQ(outcome.framesRequested, 10);
    EXPECT_EQ(outcome.framesWritten, 10);
    EXPECT_FALSE(outcome.cancelled);
    EXPECT_EQ(document->currentFrame(), 10);

    const std::string movie = dir.file("shot_.mov");
    EXPECT_TRUE(hasLines(
        probeStreams(movie),
        {"streams.stream.0.codec_name=\"r10k\"", "streams.stream.0.codec_tag_string=\"R10k\"",
         "streams.stream.0.width=64", "streams.stream.0.height=36", "streams.stream.0.r_frame_rate=\"24/1\"",
         "streams.stream.0.nb_read_frames=\"10\"", "streams.stream.0.tags.timecode=\"01:00:00:00\"",
         "streams.stream.1.codec_tag_string=\"tmcd\"", "streams.stream.1.tags.reel_name=\"A001_C002\""}));
    std::string expected = framesMd5(dir.file("shot_%04d.dpx"), 1, 10);
    ASSERT_NE(expected.find("MD5="), std::string::npos) << expected;
    EXPECT_EQ(movieMd5(movie), expected);
    EXPECT_EQ(
        testsupport::runShell("mediainfo --Inform=\"Other;%Type%|%Format%|%TimeCode_FirstFrame%|%Title%\" '" +
                              movie + "'")
            .out,
        "Time code|QuickTime TC|01:00:00:00|A001_C002\n");

    // Our reader: the description counts the export's frames, the timecode track is a disabled
    // 20-pixel strip as wide as the frames, one sample lasting the video, referred to by the video.
    MovieFileInfo info;
    ASSERT_EQ(ReadMovieFile(movie, info), noErr);
    const MovieTrackInfo* video = trackOfType(info, FourCC("vide"));
    const MovieTrackInfo* tc = trackOfType(info, FourCC("tmcd"));
    ASSERT_TRUE(video && tc);
    ASSERT_EQ(video->descriptions.size(), 1u);
    EXPECT_EQ(be::readU16(video->descriptions[0].bytes.data() + 48), 10); // frameCount
    EXPECT_EQ(video->mediaDuration, 10u * 125u);
    EXPECT_FALSE(tc->enabled());
    EXPECT_EQ(tc->width, 64 << 16);
    EXPECT_EQ(tc->height, 20 << 16);
    EXPECT_EQ(tc->sampleCount, 1u);
    EXPECT_EQ(tc->mediaDuration, video->mediaDuration);
    EXPECT_EQ(timecodeSample(info), 86400); // 01:00:00:00 at 24
    ASSERT_EQ(video->references.size(), 1u);
    EXPECT_EQ(video->references[0].first, FourCC("tmcd"));
    EXPECT_EQ(video->references[0].second, std::vector<uint32_t>{tc->trackID});
}

TEST(SaveMovie, RangeInTheMiddleAtDropFrameKeepsTheOpenedFilesTimecode) {
    REQUIRE_PROGRAM("ffprobe");
    TempDir dir;
    writeSequence(dir.file(""), "shot_", 8, smallFrame());
    HeadlessSession session;
    auto document = openDocument(session, dir.file("shot_0001.dpx"));
    ExportSettings s = settingsAtRate(*document, dir.file("middle.mov"), false, kTag2997DropFrame);
    s.inFrame = 3;
    s.outFrame = 7;

    EXPECT_EQ(document->saveMovieWithSettings(s), noErr);
    EXPECT_TRUE(document->exportOutcome().complete());
    const std::string movie = dir.file("middle.mov");
    EXPECT_TRUE(hasLines(probeStreams(movie), {"streams.stream.0.r_frame_rate=\"2997/100\"",
                                               "streams.stream.0.nb_read_frames=\"4\"",
                                               "streams.stream.0.tags.timecode=\"01:00:00;00\""}));
    EXPECT_EQ(movieMd5(movie), framesMd5(dir.file("shot_%04d.dpx"), 4, 4));
    MovieFileInfo info;
    ASSERT_EQ(ReadMovieFile(movie, info), noErr);
    EXPECT_EQ(timecodeSample(info), 107892);
    // No source ID: no source reference (38-byte description).
    const MovieTrackInfo* tc = trackOfType(info, FourCC("tmcd"));
    ASSERT_TRUE(tc && tc->descriptions.size() == 1);
    EXPECT_EQ(tc->descriptions[0].bytes.size(), 38u);
    EXPECT_EQ(be::readU32(tc->descriptions[0].bytes.data() + 20), 3u); // 24-hour max + drop frame
    EXPECT_EQ(tc->descriptions[0].bytes[32], 30);                      // frames per second
}

TEST(SaveMovie, TimecodeFlagBitsAreNotDigits) {
    TempDir dir;
    // 10:23:59:12 with the drop-frame, colour-frame and field flags set, as some writers store it.
    writeSequence(dir.file(""), "flags_", 1, smallFrame(0x50a359d2));
    HeadlessSession session;
    auto document = openDocument(session, dir.file("flags_0001.dpx"));
    EXPECT_EQ(document->saveMovieWithSettings(settingsAtRate(*document, dir.file("m.mov"), false, kTag24)),
              noErr);
    MovieInspection inspection;
    ASSERT_EQ(InspectMovie(dir.file("m.mov"), inspection), noErr);
    EXPECT_EQ(inspection.timecode.value_or("none"), "10:23:59:12");
}

TEST(SaveMovie, CineonSequenceGetsNoTimecodeTrack) {
    REQUIRE_PROGRAM("ffprobe");
    TempDir dir;
    FrameSpec fileSpec = smallFrame();
    fileSpec.kind = testsupport::FrameKind::cineon;
    auto paths = writeSequence(dir.file(""), "scan_", 4, fileSpec);
    HeadlessSession session;
    auto document = openDocument(session, paths[0]);
    ASSERT_EQ(document->currentFileCode(), 2);
    EXPECT_EQ(document->saveMovieWithSettings(settingsAtRate(*document, dir.file("scan.mov"), false, kTag24)),
              noErr);

    MovieFileInfo info;
    ASSERT_EQ(ReadMovieFile(dir.file("scan.mov"), info), noErr);
    ASSERT_EQ(info.tracks.size(), 1u);
    EXPECT_TRUE(info.tracks[0].references.empty());
    // The samples are the Cineon files' pixel words as stored.
    std::vector<MovieSampleInfo> samples;
    std::string problem;
    ASSERT_TRUE(ExpandSamples(info.tracks[0], samples, problem)) << problem;
    ASSERT_EQ(samples.size(), 4u);
    std::vector<uint8_t> movieBytes = testsupport::readFile(dir.file("scan.mov"));
    for (size_t i = 0; i < samples.size(); ++i) {
        std::vector<uint8_t> frame = testsupport::readFile(paths[i]);
        ASSERT_EQ(samples[i].size, 64u * 36u * 4u);
        EXPECT_TRUE(
            std::equal(frame.begin() + 2048, frame.end(), movieBytes.begin() + long(samples[i].offset)))
            << "frame " << i;
    }
    EXPECT_TRUE(hasLines(probeStreams(dir.file("scan.mov")), {"streams.stream.0.nb_read_frames=\"4\""}));
}

TEST(SaveMovie, ReferenceMoviePointsIntoEveryFrameFile) {
    REQUIRE_PROGRAM("ffprobe");
    TempDir dir;
    auto paths = writeSequence(dir.file(""), "shot_", 6, smallFrame());
    HeadlessSession session;
    auto document = openDocument(session, paths[2]);
    ExportSettings s = settingsAtRate(*document, dir.file("ref.mov"), true, kTag24);
    EXPECT_EQ(document->saveMovieWithSettings(s), noErr);
    const ExportOutcome& outcome = document->exportOutcome();
    EXPECT_TRUE(outcome.complete()) << outcome.problem;
    EXPECT_TRUE(outcome.reference);
    EXPECT_FALSE(outcome.framesDiffer);

    MovieInspection inspection;
    ASSERT_EQ(InspectMovie(dir.file("ref.mov"), inspection), noErr);
    EXPECT_TRUE(inspection.sound());
    EXPECT_FALSE(inspection.selfContained);
    ASSERT_EQ(inspection.references.size(), 6u);
    for (size_t i = 0; i < paths.size(); ++i) {
        EXPECT_EQ(inspection.references[i].path, std::filesystem::canonical(paths[i]).string());
        EXPECT_EQ(inspection.references[i].offset, 2048u);
        EXPECT_TRUE(inspection.references[i].ok);
    }
    MovieFileInfo info;
    ASSERT_EQ(ReadMovieFile(dir.file("ref.mov"), info), noErr);
    const MovieTrackInfo* video = trackOfType(info, FourCC("vide"));
    ASSERT_TRUE(video && video->descriptions.size() == 6);
    EXPECT_EQ(be::readU16(video->descriptions[5].bytes.data() + 48), 1); // frameCount
    // ffprobe reads the header (it opens one frame file per track, so it can't check the frames).
    // The timecode is the in point's own, the first frame's, not the opened third frame's.
    EXPECT_TRUE(hasLines(probeStreams(dir.file("ref.mov")),
                         {"streams.stream.0.width=64", "streams.stream.0.nb_frames=\"6\"",
                          "streams.stream.0.tags.timecode=\"01:00:00:00\""}));
    EXPECT_EQ(testsupport::runCli({"verify", dir.file("ref.mov")}).exitStatus, 0);
}

TEST(SaveMovie, ReferenceMovieNotesFramesWithAnotherPixelDataOffset) {
    TempDir dir;
    FrameSpec fileSpec = smallFrame();
    writeSequence(dir.file(""), "mix_", 3, fileSpec);
    fileSpec.dataOffset = 8192;
    fileSpec.filename = "mix_0004.dpx";
    fileSpec.pixels = sequencePixels(fileSpec.width, fileSpec.height, 3);
    testsupport::writeFrameFile(dir.file("mix_0004.dpx"), fileSpec);
    HeadlessSession session;
    auto document = openDocument(session, dir.file("mix_0001.dpx"));

    EXPECT_EQ(document->saveMovieWithSettings(settingsAtRate(*document, dir.file("mix.mov"), true, kTag24)),
              noErr);
    EXPECT_TRUE(document->exportOutcome().framesDiffer);
    EXPECT_TRUE(document->referenceFramesDiffer());
    MovieInspection inspection;
    ASSERT_EQ(InspectMovie(dir.file("mix.mov"), inspection), noErr);
    ASSERT_EQ(inspection.references.size(), 4u);
    EXPECT_EQ(inspection.references[3].offset, 8192u);
    EXPECT_TRUE(inspection.sound());

    // A range without the odd frame differs in nothing; the flag is cleared at the start.
    ExportSettings s = settingsAtRate(*document, dir.file("mix2.mov"), true, kTag24);
    s.outFrame = 3;
    EXPECT_EQ(document->saveMovieWithSettings(s), noErr);
    EXPECT_FALSE(document->exportOutcome().framesDiffer);
    // A self-contained movie of a frame at another offset is simply right.
    EXPECT_EQ(document->saveMovieWithSettings(settingsAtRate(*document, dir.file("mix3.mov"), false, kTag24)),
              noErr);
    EXPECT_FALSE(document->exportOutcome().framesDiffer);
}

TEST(SaveMovie, FrameDeletedAfterTheScanStopsTheExportWithTheFramesBefore) {
    for (bool reference : {false, true}) {
        SCOPED_TRACE(reference ? "reference" : "self-contained");
        TempDir dir;
        auto paths = writeSequence(dir.file(""), "shot_", 6, smallFrame());
        HeadlessSession session;
        auto document = openDocument(session, paths[0]);
        std::filesystem::remove(paths[3]);
        LogCapture log;
        OSErr err = document->saveMovieWithSettings(
            settingsAtRate(*document, dir.file("cut.mov"), reference, kTag24));
        EXPECT_EQ(err, -1);
        const ExportOutcome& outcome = document->exportOutcome();
        EXPECT_FALSE(outcome.complete());
        EXPECT_TRUE(outcome.movieWritten);
        EXPECT_EQ(outcome.framesWritten, 3);
        EXPECT_EQ(outcome.status, -1);
        EXPECT_NE(outcome.problem.find("shot_0004.dpx"), std::string::npos) << outcome.problem;
        EXPECT_EQ(log.count(std::string("Error creating MyDPXFile #3 in ") +
                            (reference ? "addVideoReferencesToMedia:\n" : "addVideoFramesToMedia:\n")),
                  1);
        EXPECT_EQ(document->currentFrame(), 3);
        MovieInspection inspection;
        ASSERT_EQ(InspectMovie(dir.file("cut.mov"), inspection), noErr);
        ASSERT_TRUE(inspection.video);
        EXPECT_EQ(inspection.video->samples, 3u);
        // The timecode track lasts as long as the shorter video.
        ASSERT_EQ(inspection.tracks.size(), 2u);
        EXPECT_EQ(inspection.tracks[1].mediaDuration, 3u * 125u);
    }
}

TEST(SaveMovie, FrameOfAnotherSizeStopsASelfContainedExport) {
    for (uint32_t width : {60u, 72u}) {
        SCOPED_TRACE(width);
        TempDir dir;
        FrameSpec fileSpec = smallFrame();
        writeSequence(dir.file(""), "shot_", 4, fileSpec);
        fileSpec.width = width;
        fileSpec.filename = "shot_0003.dpx";
        fileSpec.pixels.reset();
        testsupport::writeFrameFile(dir.file("shot_0003.dpx"), fileSpec);
        HeadlessSession session;
        auto document = openDocument(session, dir.file("shot_0001.dpx"));
        LogCapture log;
        EXPECT_EQ(
            document->saveMovieWithSettings(settingsAtRate(*document, dir.file("m.mov"), false, kTag24)), -1);
        EXPECT_EQ(document->exportOutcome().framesWritten, 2);
        EXPECT_NE(document->exportOutcome().problem.find("shot_0003.dpx: the frame is " +
                                                         std::to_string(width) + "x36"),
                  std::string::npos)
            << document->exportOutcome().problem;
        EXPECT_EQ(
            log.count("Frame #2 is " + std::to_string(width) + "x36, not 64x36, in addVideoFramesToMedia:\n"),
            1);
    }
}

TEST(SaveMovie, TruncatedFrameStopsTheExport) {
    TempDir dir;
    auto paths = writeSequence(dir.file(""), "shot_", 3, smallFrame());
    HeadlessSession session;
    auto document = openDocument(session, paths[0]);
    // Still larger than W x H x 4, so the reader accepts it, but its last pixels are gone.
    std::filesystem::resize_file(paths[1], 2048 + 64 * 36 * 4 - 8);
    LogCapture log;
    EXPECT_EQ(document->saveMovieWithSettings(settingsAtRate(*document, dir.file("m.mov"), false, kTag24)),
              eofErr);
    EXPECT_EQ(document->exportOutcome().framesWritten, 1);
    EXPECT_NE(document->exportOutcome().problem.find("shot_0002.dpx"), std::string::npos);
}

TEST(SaveMovie, NoMovieWhenNoFrameCouldBeWritten) {
    TempDir dir;
    auto paths = writeSequence(dir.file(""), "shot_", 2, smallFrame());
    HeadlessSession session;
    auto document = openDocument(session, paths[0]);
    testsupport::writeFile(dir.file("m.mov"), {1, 2, 3});
    std::filesystem::remove(paths[0]);
    LogCapture log;
    ExportSettings s = settingsAtRate(*document, dir.file("m.mov"), false, kTag24);
    s.replaceExisting = true;
    EXPECT_EQ(document->saveMovieWithSettings(s), -1);
    EXPECT_FALSE(document->exportOutcome().movieWritten);
    EXPECT_EQ(document->exportOutcome().problem.find("shot_0001.dpx"), 0u);
    // What stood under the name is left alone.
    EXPECT_EQ(testsupport::readFile(dir.file("m.mov")), (std::vector<uint8_t>{1, 2, 3}));
}

TEST(SaveMovie, UnwritableDestinationWritesNothing) {
    TempDir dir;
    auto paths = writeSequence(dir.file(""), "shot_", 2, smallFrame());
    HeadlessSession session;
    auto document = openDocument(session, paths[0]);
    // A destination whose folder is a regular file can't be created, even by root.
    testsupport::writeFile(dir.file("plain"), {0});
    LogCapture log;
    OSErr err =
        document->saveMovieWithSettings(settingsAtRate(*document, dir.file("plain/m.mov"), false, kTag24));
    EXPECT_NE(err, noErr);
    EXPECT_EQ(log.count("Could not create file for movie! (2) error " + std::to_string(err) + "\n"), 1);
    EXPECT_FALSE(document->exportOutcome().movieWritten);
    EXPECT_EQ(document->exportOutcome().framesWritten, 0);
    EXPECT_NE(document->exportOutcome().problem.find("can't create the movie file"), std::string::npos);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 3);

    // A path that names no file can't even be referred to.
    log.clear();
    err = document->saveMovieWithSettings(settingsAtRate(*document, "", false, kTag24));
    EXPECT_EQ(err, paramErr);
    EXPECT_EQ(log.count("Could not create file for movie! (1) error -50\n"), 1);
    EXPECT_FALSE(document->exportOutcome().movieWritten);
}

} // namespace

namespace {

TEST(SaveMovie, OtherWritersFramesDecodeAsTheirFiles) {
    REQUIRE_SHARED_DIR();
    REQUIRE_PROGRAM("ffmpeg");
    // One frame each, as two other programs wrote them (one with its pad bits set in the pixel
    // words); the words are copied as stored, so both decode as the frame files do.
    for (const char* name : {"rawcooked_rgb10_be_600x4_padbits.dpx", "oiio_dpx_nuke_10bits_rgb.dpx"}) {
        SCOPED_TRACE(name);
        TempDir dir;
        const std::string frame = (testsupport::sharedDir() / "samples" / "real" / name).string();
        HeadlessSession session;
        auto document = openDocument(session, frame);
        ASSERT_EQ(document->frameCount(), 1);
        EXPECT_EQ(
            document->saveMovieWithSettings(settingsAtRate(*document, dir.file("m.mov"), false, kTag24)),
            noErr);
        const std::string expected =
            testsupport::runShell("ffmpeg -v error -nostdin -i '" + frame + "' -pix_fmt gbrp10le -f md5 -")
                .out;
        ASSERT_NE(expected.find("MD5="), std::string::npos);
        EXPECT_EQ(movieMd5(dir.file("m.mov")), expected);
    }
}

} // namespace

TEST(SaveMovie, FramesReadAheadMakeTheSameMovieAsFramesReadInTurn) {
    // The creation time fixed, both kinds of movie must be the same bytes whether the frames were
    // read ahead or one after another; a frame gone after the scan stops both at the same place.
    ASSERT_EQ(setenv("SOURCE_DATE_EPOCH", "1700000000", 1), 0);
    TempDir dir;
    auto paths = writeSequence(dir.file(""), "shot_", 150, smallFrame());
    HeadlessSession session;
    auto document = openDocument(session, paths[0]);
    std::filesystem::remove(paths[130]);
    for (bool reference : {false, true}) {
        SCOPED_TRACE(reference ? "reference" : "self-contained");
        std::vector<std::string> outcomes;
        std::vector<std::vector<uint8_t>> movies;
        for (int threads : {1, 16}) {
            const std::string movie = dir.file((reference ? "r" : "s") + std::to_string(threads) + ".mov");
            ExportSettings s = settingsAtRate(*document, movie, reference, kTag24);
            s.readThreads = threads;
            LogCapture log;
            EXPECT_EQ(document->saveMovieWithSettings(s), -1);
            const ExportOutcome& outcome = document->exportOutcome();
            std::string seen = std::to_string(outcome.framesWritten) + " frames; " + outcome.problem;
            for (const std::string& message : log.messages())
                seen += "; " + message;
            outcomes.push_back(seen);
            movies.push_back(testsupport::readFile(movie));
        }
        EXPECT_EQ(outcomes[0], outcomes[1]);
        EXPECT_NE(outcomes[0].find("130 frames; shot_0131.dpx"), std::string::npos) << outcomes[0];
        EXPECT_TRUE(movies[0] == movies[1]) << movies[0].size() << " and " << movies[1].size() << " bytes";
    }
    unsetenv("SOURCE_DATE_EPOCH");
}
