#include "movie/movie_fixtures.h"

#include "platform/bigendian.h"
#include "platform/read_file.h"
#include "support/test_support.h"

#include <cstring>
#include <fstream>

namespace moviefixtures {

const std::vector<Rate>& testRates() {
    static const std::vector<Rate> rates = {
        {"23.976", 2997, 125, false, "2997/125"}, {"24", 3000, 125, false, "24/1"},
        {"25", 2500, 100, false, "25/1"},         {"29.97DF", 2997, 100, true, "2997/100"},
        {"29.97", 2997, 100, false, "2997/100"},  {"59.94", 5994, 100, false, "2997/50"},
        {"60", 6000, 100, false, "60/1"},
    };
    return rates;
}

std::vector<uint8_t> framePixels(int width, int height, int index) {
    std::vector<uint8_t> bytes(size_t(width) * height * 4);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            uint32_t r = uint32_t(x * 13 + index * 101) & 0x3FF;
            uint32_t g = uint32_t(y * 29 + x * 3 + index * 7) & 0x3FF;
            uint32_t b = uint32_t((x ^ y) * 5 + index * 211 + 512) & 0x3FF;
            be::writeU32(bytes.data() + (size_t(y) * width + x) * 4, (r << 22) | (g << 12) | (b << 2));
        }
    }
    return bytes;
}

HandleOwner makeImageDescription(OSType codec, int width, int height, uint16_t frameCount) {
    HandleOwner h(NewHandleClear(86));
    auto* d = reinterpret_cast<uint8_t*>(*h.get());
    be::writeU32(d + 0, 86);
    be::writeU32(d + 4, codec);
    be::writeU16(d + 16, 2);
    be::writeU32(d + 20, FourCC("QexV"));
    be::writeU32(d + 28, 0x400);
    be::writeU16(d + 32, uint16_t(width));
    be::writeU16(d + 34, uint16_t(height));
    be::writeU32(d + 36, 0x00480000);
    be::writeU32(d + 40, 0x00480000);
    be::writeU32(d + 44, uint32_t(width * height * 4));
    be::writeU16(d + 48, frameCount);
    const char name[] = "QEX Tavo 10-bit RGB Codec";
    d[50] = 25;
    std::memcpy(d + 51, name, 25);
    be::writeU16(d + 82, 24);
    be::writeU16(d + 84, 0xFFFF);
    return h;
}

HandleOwner makeTimeCodeDescription(const TimeCodeDef& def) {
    HandleOwner h(NewHandleClear(38));
    auto* d = reinterpret_cast<uint8_t*>(*h.get());
    be::writeU32(d + 0, 38);
    be::writeU32(d + 4, TimeCodeMediaType);
    WriteTimeCodeDef(d + 20, def);
    return h;
}

TimeCodeRecord timecode(int hours, int minutes, int seconds, int frames) {
    TimeCodeRecord record;
    record.t = {uint8_t(hours), uint8_t(minutes), uint8_t(seconds), uint8_t(frames)};
    return record;
}

namespace {

struct Recorder {
    WriteResult result;
    OSErr check(OSErr err, const char* call) {
        if (err != noErr && result.firstError == noErr) {
            result.firstError = err;
            result.failingCall = call;
        }
        return err;
    }
};

void addVideoSamples(Recorder& rec, Media media, const MoviePlan& plan, DataHandler dh) {
    bool reference = !plan.referenceFiles.empty();
    HandleOwner desc =
        makeImageDescription(plan.codec, plan.width, plan.height, uint16_t(reference ? 1 : plan.frames));
    if (!reference && rec.check(BeginMediaEdits(media), "BeginMediaEdits") != noErr)
        return;
    HandleOwner frame(NewHandleClear(Size(plan.width) * plan.height * 4));
    for (int i = 0; i < plan.frames; ++i) {
        if (reference) {
            Handle dataRef = nullptr;
            OSType dataRefType = 0;
            if (rec.check(QTNewDataReferenceFromFullPathCFString(plan.referenceFiles[size_t(i)],
                                                                 kQTNativeDefaultPathStyle, 0, &dataRef,
                                                                 &dataRefType),
                          "QTNewDataReferenceFromFullPathCFString") != noErr)
                return;
            HandleOwner dataRefOwner(dataRef);
            short index = 0;
            if (rec.check(AddMediaDataRef(media, &index, dataRef, dataRefType), "AddMediaDataRef") != noErr)
                return;
            be::writeU16(reinterpret_cast<uint8_t*>(*desc.get()) + 14, uint16_t(index));
            TimeValue sampleTime = 0;
            if (rec.check(AddMediaSampleReference(media, plan.referenceOffsets[size_t(i)],
                                                  (unsigned long)(plan.width * plan.height * 4),
                                                  plan.frameDuration, desc.get(), 1, 0, &sampleTime),
                          "AddMediaSampleReference") != noErr)
                return;
        } else if (!plan.sampleFiles.empty()) {
            std::unique_ptr<ReadableFile> file =
                ReadableFile::fileHandleForReadingAtPath(plan.sampleFiles[size_t(i)]);
            if (!file) {
                rec.check(fnfErr, "fileHandleForReadingAtPath");
                break;
            }
            TimeValue sampleTime = 0;
            if (rec.check(AddMediaSampleFromFile(media, *file, uint64_t(plan.sampleFileOffsets[size_t(i)]),
                                                 (unsigned long)(plan.width * plan.height * 4),
                                                 plan.frameDuration, desc.get(), 1, 0, &sampleTime),
                          "AddMediaSampleFromFile") != noErr)
                break;
            if (plan.gapBytes && i + 1 == plan.gapAfterFrames &&
                rec.check(AddMovieStorageGap(dh, plan.gapBytes), "AddMovieStorageGap") != noErr)
                break;
        } else {
            std::vector<uint8_t> pixels = framePixels(plan.width, plan.height, i);
            std::memcpy(*frame.get(), pixels.data(), pixels.size());
            TimeValue sampleTime = 0;
            if (rec.check(AddMediaSample(media, frame.get(), 0, (unsigned long)pixels.size(),
                                         plan.frameDuration, desc.get(), 1, 0, &sampleTime),
                          "AddMediaSample") != noErr)
                break;
            if (plan.gapBytes && i + 1 == plan.gapAfterFrames &&
                rec.check(AddMovieStorageGap(dh, plan.gapBytes), "AddMovieStorageGap") != noErr)
                break;
        }
    }
    if (!reference)
        rec.check(EndMediaEdits(media), "EndMediaEdits");
}

void addTimecodeTrack(Recorder& rec, Movie movie, const MoviePlan& plan) {
    Track track = NewMovieTrack(movie, FixRatio(plan.width, 1), 0x00140000, 0);
    if (!track)
        return void(rec.check(GetMoviesError(), "NewMovieTrack"));
    Media media = NewTrackMedia(track, TimeCodeMediaType, plan.timeScale, nullptr, 0);
    if (!media)
        return void(rec.check(GetMoviesError(), "NewTrackMedia"));
    MediaHandler handler = GetMediaHandler(media);
    if (!handler)
        return void(rec.check(GetMoviesError(), "GetMediaHandler"));

    TimeCodeDef def;
    def.flags = tc24HourMax | (plan.dropFrame ? tcDropFrame : 0);
    def.fTimeScale = plan.timeScale;
    def.frameDuration = plan.frameDuration;
    def.numFrames = uint8_t(float(plan.timeScale) / float(plan.frameDuration) + 0.5f);
    TimeCodeRecord record = *plan.startTimecode;
    TimeValue duration = GetMovieDuration(movie);
    SetTrackEnabled(track, false);
    rec.check(TCSetTimeCodeFlags(handler, 0, tcdfShowTimeCode), "TCSetTimeCodeFlags");
    if (rec.check(BeginMediaEdits(media), "BeginMediaEdits") == noErr) {
        HandleOwner desc = makeTimeCodeDescription(def);
        if (!plan.sourceName.empty()) {
            UserData userData = nullptr;
            rec.check(NewUserData(&userData), "NewUserData");
            Handle text = nullptr;
            rec.check(PtrToHand(plan.sourceName.data(), &text, Size(plan.sourceName.size())), "PtrToHand");
            rec.check(AddUserDataText(userData, text, TCSourceRefNameType, 1, 0), "AddUserDataText");
            rec.check(TCSetSourceRef(handler, desc.get(), userData), "TCSetSourceRef");
            DisposeHandle(text);
            DisposeUserData(userData);
        }
        HandleOwner sample(NewHandle(4));
        int32_t frameNumber = 0;
        rec.check(TCTimeCodeToFrameNumber(handler, &def, &record, &frameNumber), "TCTimeCodeToFrameNumber");
        be::writeU32(reinterpret_cast<uint8_t*>(*sample.get()), uint32_t(frameNumber));
        if (plan.timecodeReferenceFile.empty()) {
            rec.check(AddMediaSample(media, sample.get(), 0, (unsigned long)GetHandleSize(sample.get()),
                                     duration, desc.get(), 1, 0, nullptr),
                      "AddMediaSample(tmcd)");
        } else {
            Handle dataRef = nullptr;
            OSType dataRefType = 0;
            rec.check(QTNewDataReferenceFromFullPathCFString(
                          plan.timecodeReferenceFile, kQTNativeDefaultPathStyle, 0, &dataRef, &dataRefType),
                      "QTNewDataReferenceFromFullPathCFString(tmcd)");
            HandleOwner dataRefOwner(dataRef);
            short index = 0;
            rec.check(AddMediaDataRef(media, &index, dataRef, dataRefType), "AddMediaDataRef(tmcd)");
            be::writeU16(reinterpret_cast<uint8_t*>(*desc.get()) + 14, uint16_t(index));
            rec.check(AddMediaSampleReference(media, plan.timecodeReferenceOffset, 4, duration, desc.get(), 1,
                                              0, nullptr),
                      "AddMediaSampleReference(tmcd)");
        }
    }
    rec.check(EndMediaEdits(media), "EndMediaEdits(tmcd)");
    rec.check(InsertMediaIntoTrack(track, 0, 0, duration, fixed1), "InsertMediaIntoTrack(tmcd)");
    Track video = GetMovieIndTrackType(movie, 1, VideoMediaType, movieTrackMediaType);
    rec.check(AddTrackReference(video, track, kTrackReferenceTimeCode, nullptr), "AddTrackReference");
}

} // namespace

WriteResult writeMovie(const MoviePlan& plan) {
    Recorder rec;
    Handle dataRef = nullptr;
    OSType dataRefType = 0;
    if (rec.check(QTNewDataReferenceFromFullPathCFString(plan.path, kQTNativeDefaultPathStyle, 0, &dataRef,
                                                         &dataRefType),
                  "QTNewDataReferenceFromFullPathCFString") != noErr)
        return rec.result;
    HandleOwner dataRefOwner(dataRef);
    DataHandler dh = nullptr;
    Movie movie = nullptr;
    if (rec.check(CreateMovieStorage(dataRef, dataRefType, FourCC("TVOD"), smCurrentScript,
                                     plan.replaceExisting ? createMovieFileDeleteCurFile : 0, &dh, &movie),
                  "CreateMovieStorage") != noErr)
        return rec.result;
    SetMovieTimeScale(movie, plan.timeScale);
    Track track = NewMovieTrack(movie, FixRatio(plan.width, 1), FixRatio(plan.height, 1), 0);
    Media media = NewTrackMedia(track, VideoMediaType, plan.timeScale, nullptr, 0);
    addVideoSamples(rec, media, plan, dh);
    rec.check(InsertMediaIntoTrack(track, 0, 0, GetMediaDuration(media), fixed1), "InsertMediaIntoTrack");
    if (plan.startTimecode)
        addTimecodeTrack(rec, movie, plan);
    rec.check(AddMovieToStorage(movie, dh), "AddMovieToStorage");
    GetMovieStorageCopies(dh, &rec.result.copies);
    rec.result.closeStatus = CloseMovieStorage(dh);
    rec.check(rec.result.closeStatus, "CloseMovieStorage");
    DisposeMovie(movie);
    return rec.result;
}

std::vector<std::string> writeFrameFiles(const std::string& directory, const MoviePlan& plan,
                                         long headerBytes) {
    std::vector<std::string> paths;
    for (int i = 0; i < plan.frames; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "frame_%04d.raw", i + 1);
        std::string path = directory + "/" + name;
        std::vector<uint8_t> bytes(size_t(headerBytes), 0xEE);
        std::vector<uint8_t> pixels = framePixels(plan.width, plan.height, i);
        bytes.insert(bytes.end(), pixels.begin(), pixels.end());
        testsupport::writeFile(path, bytes);
        paths.push_back(path);
    }
    return paths;
}

void writeExpectedPlanes(const std::string& path, const MoviePlan& plan) {
    std::ofstream out(path, std::ios::binary);
    size_t pixels = size_t(plan.width) * plan.height;
    std::vector<uint8_t> planes(pixels * 6);
    for (int i = 0; i < plan.frames; ++i) {
        std::vector<uint8_t> words = framePixels(plan.width, plan.height, i);
        for (size_t p = 0; p < pixels; ++p) {
            uint32_t word = be::readU32(words.data() + p * 4);
            uint16_t components[3] = {uint16_t((word >> 12) & 0x3FF), uint16_t((word >> 2) & 0x3FF),
                                      uint16_t((word >> 22) & 0x3FF)}; // G, B, R planes
            for (int c = 0; c < 3; ++c) {
                planes[(size_t(c) * pixels + p) * 2] = uint8_t(components[c]);
                planes[(size_t(c) * pixels + p) * 2 + 1] = uint8_t(components[c] >> 8);
            }
        }
        out.write(reinterpret_cast<const char*>(planes.data()), std::streamsize(planes.size()));
    }
}

std::string decodedMd5(const std::string& moviePath) {
    return testsupport::runShell("ffmpeg -v error -nostdin -i '" + moviePath +
                                 "' -map 0:v:0 -pix_fmt gbrp10le -f md5 -")
        .out;
}

std::string expectedMd5(const std::string& planesPath, const MoviePlan& plan) {
    return testsupport::runShell("ffmpeg -v error -nostdin -f rawvideo -pix_fmt gbrp10le -s " +
                                 std::to_string(plan.width) + "x" + std::to_string(plan.height) + " -i '" +
                                 planesPath + "' -pix_fmt gbrp10le -f md5 -")
        .out;
}

} // namespace moviefixtures
