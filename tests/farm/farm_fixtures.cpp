#include "farm/farm_fixtures.h"

#include "support/frame_writer.h"

#include <cstdio>
#include <filesystem>

namespace farmfixtures {

void writeThreeSequences(const testsupport::TempDir& dir, int frames) {
    testsupport::FrameSpec frame;
    frame.width = 16;
    frame.height = 8;
    for (const char* base : {"a_", "b_", "c_"})
        for (int i = 1; i <= frames; ++i) {
            char name[32];
            std::snprintf(name, sizeof name, "%s%04d.dpx", base, i);
            frame.timecode = testsupport::timecodeWord(1, 0, unsigned(i - 1) / 24, unsigned(i - 1) % 24);
            frame.filename = name;
            frame.pixels = std::vector<uint32_t>(16 * 8, uint32_t(i) * 0x00401004u);
            testsupport::writeFrameFile(dir.file(name), frame);
        }
    std::filesystem::remove(dir.path() / "c_0002.dpx");
}

std::string workFolder(const std::string& out) {
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(out + "/.reelmaker-farm", ec))
        return entry.path().string();
    return {};
}

} // namespace farmfixtures
