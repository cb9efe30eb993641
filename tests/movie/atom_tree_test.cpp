// Our own checks of the atoms written, since the independent readers are lenient: layout, headers,
// handlers, data references, descriptions and sample tables of self-contained and reference movies.
#include "movie/movie_fixtures.h"
#include "platform/bigendian.h"
#include "platform/movie/movie_reader.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

namespace {

using namespace moviefixtures;

uint32_t u32At(const AtomNode* node, size_t offset) {
    EXPECT_NE(node, nullptr);
    if (!node || node->payload.size() < offset + 4)
        return 0xDEADBEEF;
    return be::readU32(node->payload.data(), offset);
}

uint16_t u16At(const AtomNode* node, size_t offset) {
    if (!node || node->payload.size() < offset + 2)
        return 0xDEAD;
    return be::readU16(node->payload.data(), offset);
}

std::vector<OSType> childTypes(const AtomNode& node) {
    std::vector<OSType> types;
    for (const AtomNode& child : node.children)
        types.push_back(child.type);
    return types;
}

std::vector<uint8_t> fileBytes(const std::string& path, uint64_t offset, size_t count) {
    std::vector<uint8_t> all = testsupport::readFile(path);
    if (offset + count > all.size())
        return {};
    return std::vector<uint8_t>(all.begin() + long(offset), all.begin() + long(offset + count));
}

TEST(AtomTree, SelfContainedMovieWithTimecode) {
    testsupport::TempDir dir;
    MoviePlan plan;
    plan.path = dir.file("movie.mov");
    plan.frames = 4;
    plan.startTimecode = timecode(1, 0, 0, 0);
    plan.sourceName = "REEL_7";
    ASSERT_EQ(writeMovie(plan).firstError, noErr);
    const uint32_t frameBytes = uint32_t(plan.width * plan.height * 4);

    MovieFileInfo info;
    ASSERT_EQ(ReadMovieFile(plan.path, info), noErr);
    EXPECT_TRUE(info.problems.empty()) << info.problems.front();
    const AtomTree& tree = info.tree;
    ASSERT_EQ(tree.atoms.size(), 4u);
    EXPECT_EQ(tree.atoms[0].type, FourCC("ftyp"));
    EXPECT_EQ(tree.atoms[0].payload,
              (std::vector<uint8_t>{'q', 't', ' ', ' ', 0x20, 0x05, 0x03, 0x00, 'q', 't', ' ', ' '}));
    EXPECT_EQ(tree.atoms[1].type, FourCC("wide"));
    EXPECT_EQ(tree.atoms[1].size, 8u);
    EXPECT_EQ(tree.atoms[2].type, FourCC("mdat"));
    EXPECT_EQ(tree.atoms[2].offset, 28u);
    EXPECT_EQ(tree.atoms[2].size, 8u + 4 * frameBytes + 4); // the frames, then the timecode sample
    EXPECT_EQ(tree.atoms[3].type, FourCC("moov"));

    const AtomNode& moov = tree.atoms[3];
    const AtomNode* mvhd = moov.child(FourCC("mvhd"));
    EXPECT_EQ(u32At(mvhd, 12), 3000u);       // time scale
    EXPECT_EQ(u32At(mvhd, 16), 4u * 125);    // duration
    EXPECT_EQ(u32At(mvhd, 20), 0x00010000u); // rate 1.0
    EXPECT_EQ(u16At(mvhd, 24), 0x0100);      // volume 1.0
    EXPECT_EQ(u32At(mvhd, 96), 3u);          // next track ID
    ASSERT_EQ(moov.count(FourCC("trak")), 2u);

    // Video track.
    const AtomNode* video = moov.child(FourCC("trak"), 0);
    EXPECT_EQ(childTypes(*video),
              (std::vector<OSType>{FourCC("tkhd"), FourCC("edts"), FourCC("tref"), FourCC("mdia")}));
    const AtomNode* tkhd = video->child(FourCC("tkhd"));
    EXPECT_EQ(u32At(tkhd, 0), 0x7u);  // version 0, enabled | in movie | in preview
    EXPECT_EQ(u32At(tkhd, 12), 1u);   // track ID
    EXPECT_EQ(u32At(tkhd, 20), 500u); // duration
    EXPECT_EQ(u32At(tkhd, 76), uint32_t(plan.width) << 16);
    EXPECT_EQ(u32At(tkhd, 80), uint32_t(plan.height) << 16);
    const AtomNode* elst = video->find("edts/elst");
    EXPECT_EQ(u32At(elst, 4), 1u);
    EXPECT_EQ(u32At(elst, 8), 500u);
    EXPECT_EQ(u32At(elst, 12), 0u);
    EXPECT_EQ(u32At(elst, 16), 0x00010000u);
    EXPECT_EQ(video->find("tref/tmcd")->payload, (std::vector<uint8_t>{0, 0, 0, 2}));
    const AtomNode* mdia = video->child(FourCC("mdia"));
    EXPECT_EQ(childTypes(*mdia), (std::vector<OSType>{FourCC("mdhd"), FourCC("hdlr"), FourCC("minf")}));
    EXPECT_EQ(u32At(mdia->child(FourCC("mdhd")), 12), 3000u);
    EXPECT_EQ(u32At(mdia->child(FourCC("mdhd")), 16), 500u);
    EXPECT_EQ(u32At(mdia->child(FourCC("hdlr")), 4), FourCC("mhlr"));
    EXPECT_EQ(u32At(mdia->child(FourCC("hdlr")), 8), FourCC("vide"));
    const AtomNode* minf = mdia->child(FourCC("minf"));
    EXPECT_EQ(childTypes(*minf),
              (std::vector<OSType>{FourCC("vmhd"), FourCC("hdlr"), FourCC("dinf"), FourCC("stbl")}));
    EXPECT_EQ(minf->child(FourCC("vmhd"))->payload,
              (std::vector<uint8_t>{0, 0, 0, 1, 0, 0x40, 0x80, 0, 0x80, 0, 0x80, 0}));
    EXPECT_EQ(u32At(minf->child(FourCC("hdlr")), 4), FourCC("dhlr"));
    EXPECT_EQ(u32At(minf->child(FourCC("hdlr")), 8), FourCC("alis"));
    // One self-contained alias entry: 12 bytes, flag 1.
    EXPECT_EQ(minf->find("dinf/dref")->payload,
              (std::vector<uint8_t>{0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 12, 'a', 'l', 'i', 's', 0, 0, 0, 1}));

    const MovieTrackInfo& v = info.tracks[0];
    ASSERT_EQ(v.descriptions.size(), 1u);
    HandleOwner given = makeImageDescription(plan.codec, plan.width, plan.height, uint16_t(plan.frames));
    std::vector<uint8_t> expected(*given.get(), *given.get() + 86);
    expected[15] = 1; // dataRefIndex: the movie's own file
    EXPECT_EQ(v.descriptions[0].bytes, expected);
    EXPECT_EQ(v.timeToSample, (std::vector<std::pair<uint32_t, uint32_t>>{{4, 125}}));
    ASSERT_EQ(v.sampleToChunk.size(), 1u);
    EXPECT_EQ(v.sampleToChunk[0].firstChunk, 1u);
    EXPECT_EQ(v.sampleToChunk[0].samplesPerChunk, 1u);
    EXPECT_EQ(v.sampleToChunk[0].descriptionIndex, 1u);
    EXPECT_EQ(v.commonSampleSize, frameBytes);
    EXPECT_EQ(v.sampleCount, 4u);
    EXPECT_FALSE(v.chunkOffsets64);
    ASSERT_EQ(v.chunkOffsets.size(), 4u);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(v.chunkOffsets[size_t(i)], 36u + uint64_t(i) * frameBytes);
        EXPECT_EQ(fileBytes(plan.path, v.chunkOffsets[size_t(i)], frameBytes),
                  framePixels(plan.width, plan.height, i))
            << "frame " << i;
    }

    // Timecode track: disabled, 20 pixels high, its description with the name atom in place.
    const AtomNode* tcTrack = moov.child(FourCC("trak"), 1);
    EXPECT_EQ(u32At(tcTrack->child(FourCC("tkhd")), 0), 0x6u);
    EXPECT_EQ(u32At(tcTrack->child(FourCC("tkhd")), 76), uint32_t(plan.width) << 16);
    EXPECT_EQ(u32At(tcTrack->child(FourCC("tkhd")), 80), 20u << 16);
    EXPECT_EQ(u32At(tcTrack->find("mdia/hdlr"), 8), FourCC("tmcd"));
    EXPECT_NE(tcTrack->find("mdia/minf/gmhd/gmin"), nullptr);
    EXPECT_NE(tcTrack->find("mdia/minf/gmhd/tmcd/tcmi"), nullptr);
    EXPECT_EQ(tcTrack->find("mdia/minf/vmhd"), nullptr);
    const MovieTrackInfo& t = info.tracks[1];
    ASSERT_EQ(t.descriptions.size(), 1u);
    const std::vector<uint8_t>& d = t.descriptions[0].bytes;
    ASSERT_EQ(d.size(), 34u + 12 + 6);
    EXPECT_EQ(be::readU32(d.data(), 0), 52u);
    EXPECT_EQ(be::readU32(d.data(), 4), FourCC("tmcd"));
    EXPECT_EQ(be::readU16(d.data(), 14), 1u);
    EXPECT_EQ(be::readU32(d.data(), 20), uint32_t(tc24HourMax));
    EXPECT_EQ(be::readU32(d.data(), 24), 3000u);
    EXPECT_EQ(be::readU32(d.data(), 28), 125u);
    EXPECT_EQ(d[32], 24);
    EXPECT_EQ(be::readU32(d.data(), 34), 18u);
    EXPECT_EQ(be::readU32(d.data(), 38), FourCC("name"));
    EXPECT_EQ(be::readU16(d.data(), 42), 6u);
    EXPECT_EQ(be::readU16(d.data(), 44), 0u);
    EXPECT_EQ(std::string(d.begin() + 46, d.end()), "REEL_7");
    EXPECT_EQ(t.timeToSample, (std::vector<std::pair<uint32_t, uint32_t>>{{1, 500}}));
    EXPECT_EQ(t.commonSampleSize, 4u);
    ASSERT_EQ(t.chunkOffsets.size(), 1u);
    EXPECT_EQ(t.chunkOffsets[0], 36u + 4 * frameBytes);
    EXPECT_EQ(fileBytes(plan.path, t.chunkOffsets[0], 4),
              (std::vector<uint8_t>{0x00, 0x01, 0x51, 0x80})); // 86400
}

TEST(AtomTree, ReferenceMovieKeepsOneDataReferenceAndDescriptionPerFrame) {
    testsupport::TempDir dir;
    std::filesystem::create_directories(dir.path() / "frames");
    MoviePlan plan;
    plan.frames = 3;
    plan.path = dir.file("ref.mov");
    plan.referenceFiles = writeFrameFiles(dir.file("frames"), plan, 2048);
    plan.referenceOffsets = {2048, 2048, 2048};
    ASSERT_EQ(writeMovie(plan).firstError, noErr);

    MovieFileInfo info;
    ASSERT_EQ(ReadMovieFile(plan.path, info), noErr);
    EXPECT_TRUE(info.problems.empty());
    EXPECT_EQ(info.tree.topLevel(FourCC("mdat"))->size, 8u); // no pixel data copied
    ASSERT_EQ(info.tracks.size(), 1u);
    const MovieTrackInfo& v = info.tracks[0];
    ASSERT_EQ(v.dataRefs.size(), 3u);
    ASSERT_EQ(v.descriptions.size(), 3u);
    ASSERT_EQ(v.sampleToChunk.size(), 3u);
    for (uint32_t i = 0; i < 3; ++i) {
        const MovieDataRefInfo& ref = v.dataRefs[i];
        EXPECT_EQ(ref.type, FourCC("alis"));
        EXPECT_EQ(ref.flags, 0u);
        ASSERT_TRUE(ref.aliasParsed);
        EXPECT_EQ(ref.alias.version, 2);
        EXPECT_EQ(ref.alias.posixPath, plan.referenceFiles[i]);
        EXPECT_EQ(ref.alias.fileName, std::filesystem::path(plan.referenceFiles[i]).filename().string());
        EXPECT_EQ(ref.alias.parentDirectoryName, "frames");
        EXPECT_EQ(ref.alias.nlvlFrom, 1);
        EXPECT_EQ(ref.alias.nlvlTo, 2);
        EXPECT_EQ(v.descriptions[i].dataRefIndex, i + 1);
        EXPECT_EQ(v.sampleToChunk[i].firstChunk, i + 1);
        EXPECT_EQ(v.sampleToChunk[i].descriptionIndex, i + 1);
        EXPECT_EQ(v.chunkOffsets[i], 2048u);
    }
    EXPECT_EQ(v.commonSampleSize, uint32_t(plan.width * plan.height * 4));
}

TEST(AtomTree, EqualDescriptionsAreStoredOnceAndChangesStartNewChunkRuns) {
    testsupport::TempDir dir;
    Handle dataRef = nullptr;
    OSType type = 0;
    ASSERT_EQ(QTNewDataReferenceFromFullPathCFString(dir.file("mixed.mov"), kQTNativeDefaultPathStyle, 0,
                                                     &dataRef, &type),
              noErr);
    HandleOwner dataRefOwner(dataRef);
    DataHandler dh = nullptr;
    Movie movie = nullptr;
    ASSERT_EQ(CreateMovieStorage(dataRef, type, FourCC("TVOD"), smCurrentScript, createMovieFileDeleteCurFile,
                                 &dh, &movie),
              noErr);
    Track track = NewMovieTrack(movie, FixRatio(2, 1), FixRatio(2, 1), 0);
    Media media = NewTrackMedia(track, VideoMediaType, 600, nullptr, 0);
    HandleOwner k = makeImageDescription(FourCC("R10k"), 2, 2, 1);
    HandleOwner g = makeImageDescription(FourCC("R10g"), 2, 2, 1);
    HandleOwner data(NewHandleClear(16));
    // k k g g k: two distinct descriptions, three runs; a sample of another size lists every size.
    Handle order[] = {k.get(), k.get(), g.get(), g.get(), k.get()};
    for (Handle desc : order)
        ASSERT_EQ(AddMediaSample(media, data.get(), 0, 16, 20, desc, 1, 0, nullptr), noErr);
    ASSERT_EQ(AddMediaSample(media, data.get(), 0, 8, 20, k.get(), 1, 0, nullptr), noErr);
    EXPECT_EQ(GetMediaSampleDescriptionCount(media), 2);
    EXPECT_EQ(GetMediaSampleCount(media), 6);
    EXPECT_EQ(GetMediaDuration(media), 120);
    ASSERT_EQ(InsertMediaIntoTrack(track, 0, 0, GetMediaDuration(media), fixed1), noErr);
    ASSERT_EQ(CloseMovieStorage(dh), noErr); // the header is written by the close when not added before
    DisposeMovie(movie);

    MovieFileInfo info;
    ASSERT_EQ(ReadMovieFile(dir.file("mixed.mov"), info), noErr);
    const MovieTrackInfo& v = info.tracks.at(0);
    ASSERT_EQ(v.sampleToChunk.size(), 3u);
    EXPECT_EQ(v.sampleToChunk[1].firstChunk, 3u);
    EXPECT_EQ(v.sampleToChunk[1].descriptionIndex, 2u);
    EXPECT_EQ(v.sampleToChunk[2].firstChunk, 5u);
    EXPECT_EQ(v.sampleToChunk[2].descriptionIndex, 1u);
    EXPECT_EQ(v.commonSampleSize, 0u);
    EXPECT_EQ(v.sampleSizes, (std::vector<uint32_t>{16, 16, 16, 16, 16, 8}));
    std::vector<MovieSampleInfo> samples;
    std::string problem;
    ASSERT_TRUE(ExpandSamples(v, samples, problem)) << problem;
    EXPECT_EQ(samples.back().offset, 36u + 5 * 16);
}

} // namespace
