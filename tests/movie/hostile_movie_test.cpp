// reelmaker verify on movies made to hurt it: files that are not regular files (a FIFO, a device, a
// loop of links) as the movie or as a data reference, references to files it must not read, tables
// that claim more than their bytes hold, offsets that wrap, names that carry terminal commands, and
// frames changed since the movie was made.
#include "movie/movie_fixtures.h"
#include "platform/bigendian.h"
#include "platform/movie/alias_record.h"
#include "support/frame_writer.h"
#include "support/json_reader.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using namespace moviefixtures;
using testsupport::runCli;
namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

bool contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

Bytes u16(uint16_t v) {
    return {uint8_t(v >> 8), uint8_t(v)};
}
Bytes u32(uint32_t v) {
    return {uint8_t(v >> 24), uint8_t(v >> 16), uint8_t(v >> 8), uint8_t(v)};
}
Bytes u64(uint64_t v) {
    Bytes high = u32(uint32_t(v >> 32)), low = u32(uint32_t(v));
    high.insert(high.end(), low.begin(), low.end());
    return high;
}
Bytes cat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& part : parts)
        out.insert(out.end(), part.begin(), part.end());
    return out;
}
Bytes zeros(size_t n) {
    return Bytes(n, 0);
}
Bytes atom(const char* type, const Bytes& body) {
    return cat({u32(uint32_t(8 + body.size())), Bytes(type, type + 4), body});
}

/// A movie of one R10k video track, written byte by byte so that every table can lie.
struct HostileMovie {
    uint32_t width = 4, height = 2;
    uint32_t samples = 2;           // stts, stsc and stsz all claim this many
    uint32_t sampleSize = 0;        // stsz's common size; 0: width x height x 4
    std::optional<uint64_t> offset; // the one chunk's offset (co64 above 32 bits); default the mdat's data
    Bytes dataRef;                  // the 'dref' entry; default the movie's own file
    Bytes extraMoov;                // more atoms at the end of 'moov'

    Bytes bytes() const {
        const uint32_t size = sampleSize ? sampleSize : width * height * 4;
        Bytes mdat = atom("mdat", zeros(size_t(size) * std::min(samples, 4u)));
        const uint64_t chunk = offset.value_or(8);
        Bytes description = cat({u32(86), Bytes{'R', '1', '0', 'k'}, zeros(6), u16(1), zeros(16),
                                 u16(uint16_t(width)), u16(uint16_t(height)), zeros(86 - 36)});
        Bytes ref = dataRef.empty() ? cat({u32(12), Bytes{'a', 'l', 'i', 's'}, u32(1)}) : dataRef;
        Bytes stbl = atom(
            "stbl", cat({atom("stsd", cat({u32(0), u32(1), description})),
                         atom("stts", cat({u32(0), u32(1), u32(samples), u32(125)})),
                         atom("stsc", cat({u32(0), u32(1), u32(1), u32(samples), u32(1)})),
                         atom("stsz", cat({u32(0), u32(size), u32(samples)})),
                         chunk > 0xFFFFFFFFu ? atom("co64", cat({u32(0), u32(1), u64(chunk)}))
                                             : atom("stco", cat({u32(0), u32(1), u32(uint32_t(chunk))}))}));
        Bytes minf = atom("minf", cat({atom("dinf", atom("dref", cat({u32(0), u32(1), ref}))), stbl}));
        Bytes mdia =
            atom("mdia", cat({atom("mdhd", cat({zeros(12), u32(3000), u32(samples * 125), zeros(4)})),
                              atom("hdlr", cat({zeros(8), Bytes{'v', 'i', 'd', 'e'}, zeros(12)})), minf}));
        Bytes tkhd =
            atom("tkhd", cat({u32(1), zeros(8), u32(1), zeros(60), u32(width << 16), u32(height << 16)}));
        Bytes mvhd = atom("mvhd", cat({zeros(12), u32(3000), u32(samples * 125), zeros(76), u32(2)}));
        return cat({mdat, atom("moov", cat({mvhd, atom("trak", cat({tkhd, mdia})), extraMoov}))});
    }
};

/// A 'dref' entry that names `path` by an alias record.
Bytes aliasEntry(const std::string& path) {
    Bytes record = MakeAliasRecord(path);
    return cat({u32(uint32_t(12 + record.size())), Bytes{'a', 'l', 'i', 's'}, u32(0), record});
}

/// Peak resident memory of `verify path`, in kilobytes. The child is forked, not spawned: a spawned
/// child shares its parent's memory until it execs and would count the parent's peak as its own.
long verifyPeakKilobytes(const std::string& path) {
    pid_t child = fork();
    if (child == 0) {
        int null = open("/dev/null", O_WRONLY);
        dup2(null, 1);
        dup2(null, 2);
        execl(REELMAKER_CLI_PATH, REELMAKER_CLI_PATH, "verify", path.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    struct rusage usage {};
    wait4(child, &status, 0, &usage);
    return usage.ru_maxrss;
}

/// Runs verify on `bytes` written to `path`, with the bytes given back first.
testsupport::CommandResult verifyWritten(const std::string& path, Bytes&& bytes) {
    testsupport::writeFile(path, bytes);
    Bytes().swap(bytes);
    testsupport::CommandResult result = runCli({"verify", path});
    result.peakKilobytes = verifyPeakKilobytes(path);
    return result;
}

/// Peak memory verify may take for a movie whose header is `headerBytes` long, above what it takes for
/// a small sound movie (`baseline`): 4 times the header and 8 MB.
long allowedKilobytes(long baseline, uint64_t headerBytes) {
    return baseline + long((4 * headerBytes + (8u << 20)) / 1024);
}

TEST(HostileMovie, OnlyRegularFilesAreOpenedAndNoneIsWaitedOn) {
    testsupport::TempDir dir;
    ASSERT_EQ(mkfifo(dir.file("fifo.mov").c_str(), 0600), 0);
    fs::create_symlink("loop_b", dir.file("loop_a"));
    fs::create_symlink("loop_a", dir.file("loop_b"));
    for (const auto& [movie, why] :
         std::vector<std::pair<std::string, std::string>>{{dir.file("fifo.mov"), "not a regular file"},
                                                          {"/dev/zero", "not a regular file"},
                                                          {dir.file("loop_a"), "symbolic link loop"}}) {
        testsupport::CommandResult result = runCli({"verify", movie});
        EXPECT_EQ(result.exitStatus, 1) << movie;
        EXPECT_TRUE(contains(result.out, why)) << result.out;
    }

    // The same as the files of a reference movie's frames.
    for (const auto& [target, why] :
         std::vector<std::pair<std::string, std::string>>{{dir.file("fifo.mov"), "is not a regular file"},
                                                          {dir.file("loop_a"), "is a symbolic link loop"}}) {
        HostileMovie movie;
        movie.dataRef = aliasEntry(target);
        movie.offset = 0;
        testsupport::writeFile(dir.file("ref.mov"), movie.bytes());
        testsupport::CommandResult result = runCli({"verify", "--json", dir.file("ref.mov")});
        EXPECT_EQ(result.exitStatus, 1);
        EXPECT_TRUE(contains(result.out, "frame 1: " + target + " " + why)) << result.out;
        EXPECT_TRUE(contains(result.out, R"("ok":false,"present":false,"file_size":null)")) << result.out;
    }
}

TEST(HostileMovie, ATimecodeKeptInAnotherFileIsNeverRead) {
    testsupport::TempDir dir;
    // A file the user can read but the movie's maker wants shown: its bytes must not come out.
    testsupport::writeFile(dir.file("secret"), {0x00, 0x01, 0x86, 0x9F, 's', 'e', 'c', 'r', 'e', 't'});
    ASSERT_EQ(mkfifo(dir.file("fifo").c_str(), 0600), 0);
    for (const auto& [target, state] : std::vector<std::pair<std::string, std::string>>{
             {dir.file("secret"), "(which holds it)"}, {dir.file("fifo"), "(not a regular file)"}}) {
        MoviePlan plan;
        plan.path = dir.file("tc.mov");
        plan.startTimecode = timecode(1, 0, 0, 0);
        plan.timecodeReferenceFile = target;
        ASSERT_EQ(writeMovie(plan).firstError, noErr);
        testsupport::CommandResult result = runCli({"verify", plan.path});
        EXPECT_EQ(result.exitStatus, 1);
        EXPECT_FALSE(contains(result.out, "\n  timecode ")) << result.out;
        EXPECT_TRUE(contains(result.out, "its sample is in another file, not read: " + target + " " + state))
            << result.out;
    }
}

TEST(HostileMovie, TablesCannotClaimMoreThanTheirBytesHold) {
    testsupport::TempDir dir;
    HostileMovie manySamples; // 50 million frames claimed in a few hundred bytes
    manySamples.samples = 50'000'000;
    HostileMovie emptyAtoms; // 32 MB of empty atoms in the movie header, made when needed
    auto emptyAtomsBytes = [&emptyAtoms] {
        emptyAtoms.extraMoov = Bytes(32u << 20, 0);
        for (size_t at = 0; at < emptyAtoms.extraMoov.size(); at += 8)
            emptyAtoms.extraMoov[at + 3] = 8;
        Bytes bytes = emptyAtoms.bytes();
        Bytes().swap(emptyAtoms.extraMoov);
        return bytes;
    };
    auto topLevelEmpty = [] { // and 32 MB of them beside it
        Bytes bytes = HostileMovie{}.bytes();
        bytes.resize(bytes.size() + (32u << 20), 0);
        for (size_t at = bytes.size() - (32u << 20); at < bytes.size(); at += 8)
            bytes[at + 3] = 8;
        return bytes;
    };
    const long baseline = verifyWritten(dir.file("small.mov"), HostileMovie{}.bytes()).peakKilobytes;
    struct Case {
        const char* name;
        std::function<Bytes()> bytes;
        uint64_t headerBytes;
        const char* problem;
    };
    std::vector<Case> cases{
        {"many.mov", [&] { return manySamples.bytes(); }, 1024, "claims 50000000 frames"},
        {"empty.mov", emptyAtomsBytes, 32u << 20, "too many atoms in 'moov'"},
        {"top.mov", [&] { return topLevelEmpty(); }, 1024, "more top-level atoms"},
        // A sparse 1 GiB movie header costs nothing to make and must cost nothing to check.
        {"sparse.mov", [] { return Bytes(); }, 0, "too large to read"}};
    for (const Case& c : cases) {
        testsupport::CommandResult result;
        if (std::string(c.name) == "sparse.mov") {
            Bytes head = cat({u32(8), Bytes{'f', 'r', 'e', 'e'}, u32(1), Bytes{'m', 'o', 'o', 'v'},
                              u64((1ull << 30) + 16)});
            testsupport::writeFile(dir.file(c.name), head);
            fs::resize_file(dir.file(c.name), head.size() + (1ull << 30));
            result = runCli({"verify", dir.file(c.name)});
            result.peakKilobytes = verifyPeakKilobytes(dir.file(c.name));
        } else {
            result = verifyWritten(dir.file(c.name), c.bytes());
        }
        EXPECT_EQ(result.exitStatus, 1) << c.name;
        EXPECT_TRUE(contains(result.out, c.problem)) << c.name << ": " << result.out;
        if (!testsupport::kSanitizedBuild)
            EXPECT_LE(result.peakKilobytes, allowedKilobytes(baseline, c.headerBytes)) << c.name;
    }
}

TEST(HostileMovie, OffsetsThatWouldWrapAreRefused) {
    testsupport::TempDir dir;
    HostileMovie movie;
    movie.offset = ~uint64_t(0) - 15; // + 32 bytes wraps to 16, which any file holds
    testsupport::writeFile(dir.file("wrap.mov"), movie.bytes());
    testsupport::CommandResult result = runCli({"verify", dir.file("wrap.mov")});
    EXPECT_EQ(result.exitStatus, 1) << result.out;
    EXPECT_TRUE(contains(result.out, "ends past 2^64")) << result.out;
}

TEST(HostileMovie, NamesAreEscapedAndRelativeReferencesResolveBesideTheMovie) {
    testsupport::TempDir dir;
    MoviePlan plan;
    plan.path = dir.file("name.mov");
    plan.startTimecode = timecode(1, 0, 0, 0);
    plan.sourceName = "\x1b]0;owned\x07 caf\xe9"; // a terminal command, and a Latin-1 byte
    ASSERT_EQ(writeMovie(plan).firstError, noErr);
    testsupport::CommandResult text = runCli({"verify", plan.path});
    EXPECT_EQ(text.exitStatus, 0) << text.out;
    EXPECT_FALSE(contains(text.out, "\x1b")) << text.out;
    EXPECT_TRUE(contains(text.out, R"(source name "\x1b]0;owned\x07 caf\xe9")")) << text.out;
    testsupport::CommandResult json = runCli({"verify", "--json", plan.path});
    std::optional<testsupport::JsonValue> parsed = testsupport::parseJson(json.out);
    ASSERT_TRUE(parsed) << json.out;
    EXPECT_EQ((*parsed)["source_name"].text, "\x1b]0;owned\x07 caf\xc3\xa9"); // Latin-1 made UTF-8

    // A reference recorded as a relative path: the movie's folder, wherever verify runs from.
    fs::create_directories(dir.path() / "shots");
    testsupport::writeFile(dir.file("shots/frame.raw"), zeros(32));
    HostileMovie relative;
    relative.dataRef = aliasEntry("shots/frame.raw");
    relative.samples = 1;
    relative.offset = 0;
    testsupport::writeFile(dir.file("relative.mov"), relative.bytes());
    json = runCli({"verify", "--json", dir.file("relative.mov")});
    EXPECT_EQ(json.exitStatus, 0) << json.out;
    EXPECT_TRUE(contains(json.out,
                         R"("path":")" + dir.file("shots/frame.raw") + R"(","offset":0,"size":32,"ok":true)"))
        << json.out;
}

TEST(HostileMovie, FramesChangedSinceTheMovieWasMadeAreNamed) {
    testsupport::TempDir dir;
    testsupport::FrameSpec fileSpec; // 4 x 2
    std::vector<std::string> frames;
    for (int i = 0; i < 3; ++i) {
        frames.push_back(dir.file("f" + std::to_string(i) + ".dpx"));
        testsupport::writeFile(frames.back(), testsupport::frameFileBytes(fileSpec));
    }
    MoviePlan plan;
    plan.path = dir.file("ref.mov");
    plan.width = 4;
    plan.height = 2;
    plan.frames = 3;
    plan.referenceFiles = frames;
    plan.referenceOffsets.assign(3, 2048);
    ASSERT_EQ(writeMovie(plan).firstError, noErr);
    ASSERT_EQ(runCli({"verify", plan.path}).exitStatus, 0);

    // Frame 2 rewritten at another size (and so longer); frame 3 cut short.
    testsupport::FrameSpec wider = fileSpec;
    wider.width = 8;
    testsupport::writeFile(frames[1], testsupport::frameFileBytes(wider));
    fs::resize_file(frames[2], 2048 + 16);
    testsupport::CommandResult result = runCli({"verify", plan.path});
    EXPECT_EQ(result.exitStatus, 1);
    EXPECT_TRUE(contains(result.out, "frame 2: " + frames[1] + "'s header now gives 8x2, not 4x2"))
        << result.out;
    EXPECT_TRUE(contains(result.out, "frame 3: " + frames[2] + " holds 2064 bytes; the sample ends at 2080"))
        << result.out;

    // A sample whose size is not the frame's.
    HostileMovie odd;
    odd.sampleSize = 20;
    testsupport::writeFile(dir.file("odd.mov"), odd.bytes());
    result = runCli({"verify", dir.file("odd.mov")});
    EXPECT_EQ(result.exitStatus, 1);
    EXPECT_TRUE(contains(result.out, "frame 1 is 20 bytes; a 4x2 frame is 32")) << result.out;
}

} // namespace
