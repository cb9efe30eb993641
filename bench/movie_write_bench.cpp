// The movie toolbox's write paths against their floors, interleaved so both see the same disk state:
//  - copied samples (AddMediaSample of 2048 x 1556 frames) against a plain 1 MiB pwrite loop of the same
//    bytes into a file in the same directory;
//  - reference samples (a data reference and a sample reference per frame, then the header) in frames
//    per second.
// Usage: movie_write_bench [DIRECTORY] [FRAMES] [ROUNDS]   (defaults: the temporary directory, 40, 3)
#include "document/video_image_description.h"
#include "platform/memory.h"
#include "platform/movie/movies.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kWidth = 2048;
constexpr int kHeight = 1556;
constexpr size_t kFrameBytes = size_t(kWidth) * kHeight * 4;

double seconds(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

// The movie's own image description of the benchmark's frames.
Handle imageDescription() { return NewVideoImageDescription(FourCC("R10k"), kWidth, kHeight, 1); }

bool createMovie(const std::string& path, DataHandler& dh, Movie& movie, Media& media, Track& track) {
    Handle dataRef = nullptr;
    OSType type = 0;
    if (QTNewDataReferenceFromFullPathCFString(path, kQTNativeDefaultPathStyle, 0, &dataRef, &type) != noErr)
        return false;
    OSErr err = CreateMovieStorage(dataRef, type, FourCC("TVOD"), smCurrentScript, createMovieFileDeleteCurFile, &dh,
                                   &movie);
    DisposeHandle(dataRef);
    if (err != noErr)
        return false;
    SetMovieTimeScale(movie, 3000);
    track = NewMovieTrack(movie, FixRatio(kWidth, 1), FixRatio(kHeight, 1), 0);
    media = NewTrackMedia(track, VideoMediaType, 3000, nullptr, 0);
    return true;
}

double toolboxCopy(const std::string& path, Handle frame, int frames) {
    DataHandler dh = nullptr;
    Movie movie = nullptr;
    Media media = nullptr;
    Track track = nullptr;
    auto start = Clock::now();
    if (!createMovie(path, dh, movie, media, track))
        return -1;
    Handle desc = imageDescription();
    BeginMediaEdits(media);
    for (int i = 0; i < frames; ++i) {
        (*frame)[0] = char(i);
        if (AddMediaSample(media, frame, 0, kFrameBytes, 125, desc, 1, 0, nullptr) != noErr)
            return -1;
    }
    EndMediaEdits(media);
    InsertMediaIntoTrack(track, 0, 0, GetMediaDuration(media), fixed1);
    AddMovieToStorage(movie, dh);
    OSErr err = CloseMovieStorage(dh);
    double elapsed = seconds(start);
    DisposeHandle(desc);
    DisposeMovie(movie);
    std::filesystem::remove(path);
    return err == noErr ? elapsed : -1;
}

double plainCopy(const std::string& path, const char* bytes, int frames) {
    auto start = Clock::now();
    int fd = open(path.c_str(), O_CREAT | O_TRUNC | O_WRONLY, 0644);
    off_t offset = 0;
    for (int i = 0; i < frames; ++i) {
        for (size_t done = 0; done < kFrameBytes;) {
            size_t slice = std::min<size_t>(kFrameBytes - done, size_t(1) << 20);
            ssize_t n = pwrite(fd, bytes + done, slice, offset);
            if (n <= 0)
                return -1;
            done += size_t(n);
            offset += n;
        }
    }
    close(fd);
    double elapsed = seconds(start);
    std::filesystem::remove(path);
    return elapsed;
}

double referenceSamples(const std::string& path, int frames) {
    DataHandler dh = nullptr;
    Movie movie = nullptr;
    Media media = nullptr;
    Track track = nullptr;
    auto start = Clock::now();
    if (!createMovie(path, dh, movie, media, track))
        return -1;
    Handle desc = imageDescription();
    for (int i = 0; i < frames; ++i) {
        Handle dataRef = nullptr;
        OSType type = 0;
        std::string frame = "/shots/sequence/shot_" + std::to_string(100000 + i) + ".dpx";
        QTNewDataReferenceFromFullPathCFString(frame, kQTNativeDefaultPathStyle, 0, &dataRef, &type);
        short index = 0;
        AddMediaDataRef(media, &index, dataRef, type);
        (*desc)[14] = char(index >> 8);
        (*desc)[15] = char(index);
        AddMediaSampleReference(media, 8192, 64 * 64 * 4, 125, desc, 1, 0, nullptr);
        DisposeHandle(dataRef);
    }
    InsertMediaIntoTrack(track, 0, 0, GetMediaDuration(media), fixed1);
    AddMovieToStorage(movie, dh);
    OSErr err = CloseMovieStorage(dh);
    double elapsed = seconds(start);
    DisposeHandle(desc);
    DisposeMovie(movie);
    std::filesystem::remove(path);
    return err == noErr ? elapsed : -1;
}

} // namespace

int main(int argc, char** argv) {
    std::string dir = argc > 1 ? argv[1] : std::filesystem::temp_directory_path().string();
    int frames = argc > 2 ? std::atoi(argv[2]) : 40;
    int rounds = argc > 3 ? std::atoi(argv[3]) : 3;
    Handle frame = NewHandle(Size(kFrameBytes));
    if (!frame)
        return 1;
    std::memset(*frame, 0x5A, kFrameBytes);
    double gb = double(kFrameBytes) * frames / 1e9;
    std::printf("copied samples: %d frames of %dx%d (%.2f GB) into %s, best of %d interleaved rounds\n", frames,
                kWidth, kHeight, gb, dir.c_str(), rounds);
    double bestPlain = 1e9, bestToolbox = 1e9;
    for (int r = 0; r < rounds; ++r) {
        // Alternate the order: freeing the previous run's file weighs on whichever runs next.
        double plain = 0, toolbox = 0;
        if (r % 2 == 0) {
            plain = plainCopy(dir + "/bench_plain.bin", *frame, frames);
            toolbox = toolboxCopy(dir + "/bench_movie.mov", frame, frames);
        } else {
            toolbox = toolboxCopy(dir + "/bench_movie.mov", frame, frames);
            plain = plainCopy(dir + "/bench_plain.bin", *frame, frames);
        }
        if (plain < 0 || toolbox < 0) {
            std::fprintf(stderr, "write failed\n");
            return 1;
        }
        std::printf("  round %d: plain pwrite %.3f s (%.2f GB/s), toolbox %.3f s (%.2f GB/s)\n", r + 1, plain,
                    gb / plain, toolbox, gb / toolbox);
        bestPlain = std::min(bestPlain, plain);
        bestToolbox = std::min(bestToolbox, toolbox);
    }
    std::printf("  best: toolbox / plain = %.2f\n", bestToolbox / bestPlain);

    int refs = 2000;
    double best = 1e9;
    for (int r = 0; r < rounds; ++r)
        best = std::min(best, referenceSamples(dir + "/bench_ref.mov", refs));
    std::printf("reference samples: %d frames in %.4f s, %.0f frames/s (%.2f us per frame, header included)\n", refs,
                best, refs / best, best / refs * 1e6);
    DisposeHandle(frame);
    return 0;
}
