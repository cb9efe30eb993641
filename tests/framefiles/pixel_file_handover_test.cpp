// handOverPixelFile: the checks of reading the pixel data, then the open file itself for a copy that
// doesn't pass through memory.
#include "framefiles/dpx_file.h"

#include "support/frame_writer.h"
#include "support/test_support.h"

#include "platform/log.h"

#include <gtest/gtest.h>

#include <unistd.h>

using namespace testsupport;

namespace {

const char kReadError[] = "Error trying to read pixel data in readFrameToBuffer:\n";

TEST(PixelFileHandover, TheFileGoesWithItsPixelDataWhereReadingWouldHaveFoundIt) {
    const struct {
        const char* name;
        std::optional<uint64_t> fileSize;
        OSErr status;
    } cases[] = {
        {"whole", std::nullopt, noErr},
        {"one pixel short", 4096 + 8 * 4 * 4 - 4, eofErr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        LogCapture log;
        FrameSpec fileSpec;
        fileSpec.width = 8;
        fileSpec.height = 4;
        fileSpec.dataOffset = 4096;
        fileSpec.fileSize = c.fileSize;
        writeFrameFile(dir.file("f.dpx"), fileSpec);
        auto reader = MyDPXFile::initWithPath(dir.file("f.dpx"));
        ASSERT_TRUE(reader->fileOK());
        log.clear();

        std::unique_ptr<ReadableFile> file;
        EXPECT_EQ(reader->handOverPixelFile(file), c.status);
        if (c.status != noErr) {
            EXPECT_EQ(file, nullptr);
            EXPECT_EQ(log.messages(), std::vector<std::string>{kReadError});
            continue;
        }
        ASSERT_NE(file, nullptr);
        std::vector<uint8_t> pixels(8 * 4 * 4);
        EXPECT_EQ(file->readDataAtOffset(uint64_t(reader->dataOffset()), pixels.data(), pixels.size()),
                  pixels.size());
        const std::vector<uint8_t> bytes = readFile(dir.file("f.dpx"));
        EXPECT_TRUE(std::equal(pixels.begin(), pixels.end(), bytes.begin() + 4096));
        // The reader has no file left to read; its header still answers.
        HandleOwner block(NewHandle(Size(pixels.size())));
        EXPECT_EQ(reader->readFrameToBuffer(block.get()), eofErr);
        EXPECT_EQ(reader->frameByteCount(), 128);
        EXPECT_EQ(log.messages(), std::vector<std::string>{kReadError});
    }
}

} // namespace
