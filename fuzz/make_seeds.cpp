// Writes the fuzz targets' seed corpora into OUTPUT_DIR/<target>/: valid inputs of each kind, which
// the fuzzer then mutates.
#include "movie/movie_fixtures.h"
#include "platform/component/software_output_modes.h"
#include "support/frame_writer.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

namespace fs = std::filesystem;

namespace {

void write(const fs::path& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

void write(const fs::path& path, const std::string& text) {
    write(path, std::vector<uint8_t>(text.begin(), text.end()));
}

/// A string literal's bytes, NULs inside it included.
template <size_t N> std::string literalBytes(const char (&text)[N]) {
    return std::string(text, N - 1);
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_fuzz_seeds OUTPUT_DIR\n");
        return 2;
    }
    const fs::path root = argv[1];
    for (const char* target :
         {"fuzz_dpx", "fuzz_cineon", "fuzz_movie", "fuzz_atom_container", "fuzz_sequence_names"})
        fs::create_directories(root / target);

    testsupport::FrameSpec dpx;
    dpx.width = 8;
    dpx.height = 4;
    dpx.timecode = testsupport::timecodeWord(1, 2, 3, 4);
    dpx.filename = "shot_0001.dpx";
    write(root / "fuzz_dpx/plain.dpx", testsupport::frameFileBytes(dpx));
    dpx.littleEndian = true;
    write(root / "fuzz_dpx/little_endian.dpx", testsupport::frameFileBytes(dpx));
    dpx.littleEndian = false;
    dpx.dataOffset = 1664;
    write(root / "fuzz_dpx/short_header.dpx", testsupport::frameFileBytes(dpx));

    testsupport::FrameSpec cineon;
    cineon.kind = testsupport::FrameKind::cineon;
    cineon.width = 8;
    cineon.height = 4;
    write(root / "fuzz_cineon/plain.cin", testsupport::frameFileBytes(cineon));

    moviefixtures::MoviePlan plan;
    plan.path = fs::absolute(root / "fuzz_movie/self_contained.mov").string();
    plan.width = 4;
    plan.height = 2;
    plan.frames = 2;
    plan.startTimecode = moviefixtures::timecode(1, 0, 0, 0);
    plan.sourceName = "A001";
    moviefixtures::writeMovie(plan);
    const fs::path framesDir = fs::temp_directory_path() / "reelmaker-fuzz-seed-frames";
    fs::create_directories(framesDir);
    plan.path = fs::absolute(root / "fuzz_movie/reference.mov").string();
    plan.referenceFiles = moviefixtures::writeFrameFiles(framesDir.string(), plan, 2048);
    plan.referenceOffsets.assign(size_t(plan.frames), 2048);
    moviefixtures::writeMovie(plan);

    QTAtomContainer list = nullptr;
    if (NewDisplayModeList(SoftwareOutputDisplayModes(), &list) == noErr && list) {
        write(root / "fuzz_atom_container/modes.qtac",
              std::vector<uint8_t>(reinterpret_cast<uint8_t*>(*list),
                                   reinterpret_cast<uint8_t*>(*list) + GetHandleSize(list)));
        DisposeHandle(list);
    }

    write(root / "fuzz_sequence_names/plain", literalBytes("shot_0009.dpx\0shot_0010.dpx\0shot_10.dpx"));
    write(root / "fuzz_sequence_names/unicode",
          literalBytes("take\xd9\xa3.dpx\0take\xef\xbc\x91\xef\xbc\x90.dpx\0take01.cin"));
    std::printf("seeds written to %s\n", root.c_str());
    return 0;
}
