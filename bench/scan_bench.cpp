// Speed of the sequence scan over 20,000 small DPX frames, next to the floor: readdir plus opening,
// reading 2048 bytes of and closing each file in plain C++. The scan identifies each file (its first
// four bytes) and then lets the reader read its header, so it opens every file twice; the target is
// at most 2x the floor. Prints both times (best of several rounds, page cache warm) and the ratio.
#include "document/dpx_movie_file.h"
#include "platform/bigendian.h"
#include "platform/framework/headless/headless_framework.h"
#include "platform/framework/string_compare.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

constexpr int kFrames = 20000;
constexpr int kRounds = 5;
constexpr size_t kHeaderSize = 2048;

// A 4 x 2 big-endian DPX frame: the header fields the readers interpret, then 8 pixel words.
std::vector<uint8_t> smallFrame() {
    std::vector<uint8_t> bytes(kHeaderSize + 4 * 2 * 4, 0);
    be::writeU32(bytes.data(), 0x53445058);
    be::writeU32(bytes.data() + 4, uint32_t(kHeaderSize));
    be::writeU32(bytes.data() + 772, 4);
    be::writeU32(bytes.data() + 776, 2);
    be::writeU32(bytes.data() + 1920, 0xFFFFFFFF);
    return bytes;
}

bool writeFrames(const std::string& dir) {
    std::vector<uint8_t> frame = smallFrame();
    for (int i = 1; i <= kFrames; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "/shot_%05d.dpx", i);
        int fd = ::open((dir + name).c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        if (fd < 0 || ::write(fd, frame.data(), frame.size()) != ssize_t(frame.size()))
            return false;
        ::close(fd);
    }
    return true;
}

void removeFrames(const std::string& dir) {
    for (int i = 1; i <= kFrames; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "/shot_%05d.dpx", i);
        ::unlink((dir + name).c_str());
    }
    ::rmdir(dir.c_str());
}

// The floor: what any scan that reads each header must do at least.
size_t floorPass(const std::string& dir) {
    size_t headers = 0;
    DIR* listing = ::opendir(dir.c_str());
    if (!listing)
        return 0;
    std::vector<uint8_t> header(kHeaderSize);
    while (const dirent* entry = ::readdir(listing)) {
        if (entry->d_name[0] == '.')
            continue;
        int fd = ::open((dir + "/" + entry->d_name).c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0)
            continue;
        if (::read(fd, header.data(), header.size()) == ssize_t(header.size()))
            ++headers;
        ::close(fd);
    }
    ::closedir(listing);
    return headers;
}

template <typename Pass> double bestSeconds(Pass pass) {
    double best = 1e9;
    for (int round = 0; round < kRounds; ++round) {
        auto start = std::chrono::steady_clock::now();
        pass();
        std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        best = std::min(best, took.count());
    }
    return best;
}

} // namespace

int main() {
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/reelmaker-scan-bench-XXXXXX";
    if (!::mkdtemp(pattern.data())) {
        std::perror("mkdtemp");
        return 1;
    }
    const std::string dir = pattern;
    if (!writeFrames(dir)) {
        std::perror("writing the frames");
        removeFrames(dir);
        return 1;
    }

    size_t headers = floorPass(dir); // warms the directory and page caches for both
    int32_t count = 0;
    double floor = bestSeconds([&] { headers = floorPass(dir); });
    fw::HeadlessFramework framework("");
    double scan = bestSeconds([&] {
        std::shared_ptr<DPXMovieFile> document = DPXMovieFile::create(framework);
        count = document->countFramesInPath(dir + "/shot_00001.dpx");
    });
    // The name sort alone, which the scan does once, after collecting the names.
    std::vector<std::string> names;
    for (int i = kFrames; i >= 1; --i) {
        char name[32];
        std::snprintf(name, sizeof name, "shot_%05d.dpx", i);
        names.emplace_back(name);
    }
    double sort = bestSeconds([&] {
        std::vector<std::string> shuffled = names;
        std::sort(shuffled.begin(), shuffled.end(), fw::numericLess);
    });
    removeFrames(dir);

    if (headers != size_t(kFrames) || count != kFrames) {
        std::fprintf(stderr,
                     "scan_bench: expected %d frames, the floor read %zu headers and the scan found %d\n",
                     kFrames, headers, count);
        return 1;
    }
    std::printf("sequence scan of %d DPX frames (best of %d)\n", kFrames, kRounds);
    std::printf("  floor (readdir + open + read 2048 + close)  %.3f s  (%.2f us per file)\n", floor,
                floor / kFrames * 1e6);
    std::printf("  countFramesInPath                           %.3f s  (%.2f us per file)\n", scan,
                scan / kFrames * 1e6);
    std::printf("  of which the name sort, about               %.4f s\n", sort);
    std::printf("  ratio scan / floor                          %.2f  (target <= 2.00)\n", scan / floor);
    return 0;
}
