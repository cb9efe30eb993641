// A movie as a document: its samples are the frames, its rate, codec, timecode and source name the
// settings.
#include "document/movie_document.h"

#include "document/settings_tables.h"
#include "export/export_problems.h"
#include "export/timecode_values.h"
#include "framefiles/frame_file_code.h"
#include "platform/bigendian.h"
#include "platform/framework/framework.h"
#include "platform/framework/path_ops.h"
#include "platform/log.h"
#include "platform/read_file.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace {

/// BCD hh mm ss ff of a timecode record.
uint32_t bcdOfRecord(const TimeCodeRecord& record) {
    const auto bcd = [](unsigned value) { return uint32_t(((value / 10) << 4) | (value % 10)); };
    return bcd(record.t.hours) << 24 | bcd(record.t.minutes & 0x7F) << 16 | bcd(record.t.seconds) << 8 |
           bcd(record.t.frames);
}

} // namespace

std::shared_ptr<MovieDocument> MovieDocument::create(fw::Framework& framework) {
    return std::shared_ptr<MovieDocument>(new MovieDocument(framework));
}

bool MovieDocument::isMovieFile(const std::string& path) {
    std::unique_ptr<ReadableFile> file = ReadableFile::fileHandleForReadingAtPath(path);
    uint8_t head[8];
    if (!file || file->readDataAtOffset(0, head, sizeof head) != sizeof head)
        return false;
    constexpr std::array<OSType, 7> kFirstAtoms{FourCC("ftyp"), FourCC("moov"), FourCC("mdat"), FourCC("wide"),
                                                FourCC("free"), FourCC("skip"), FourCC("pnot")};
    const OSType type = be::readU32(head, 4);
    return std::find(kFirstAtoms.begin(), kFirstAtoms.end(), type) != kFirstAtoms.end();
}

bool MovieDocument::openSequence() {
    if (!fileString())
        return false;
    const std::string path = *fileString();
    auto movie = std::make_shared<MovieSamples>();
    m_openProblem.clear();
    if (ReadMovieSamples(path, *movie, m_openProblem) != noErr || movie->count() == 0) {
        if (m_openProblem.empty())
            m_openProblem = "the movie has no frames";
        return false;
    }
    if (movie->count() > size_t(INT32_MAX) || movie->timeScale <= 0 || movie->frameDuration == 0 ||
        movie->frameDuration > uint32_t(INT32_MAX)) {
        m_openProblem = "the movie's frame rate or frame count can't be played";
        return false;
    }
    m_movie = movie;
    m_currentFileCode = kFileCodeMovie;
    m_directoryPath = fw::stringByDeletingLastPathComponent(path);
    m_fileBaseName = fw::stringByDeletingPathExtension(fw::lastPathComponent(path));
    // Each sample is named by the file it is in: the movie, or the frame it refers to.
    m_fileList.clear();
    m_fileList.reserve(movie->count());
    for (size_t i = 0; i < movie->count(); ++i)
        m_fileList.push_back(fw::lastPathComponent(movie->pathOf(i)));
    m_frameCount = int32_t(movie->count());
    m_frameWidth = movie->width;
    m_frameHeight = movie->height;
    m_lastSlider = 0;
    m_openedFrame = 0;
    m_inFrame = 0;
    m_outFrame = m_frameCount;

    // The movie's own rate and codec are the settings.
    m_movieTimescale = movie->timeScale;
    m_frameDuration = int32_t(movie->frameDuration);
    m_frameRate = Fixed(std::floor(double(m_movieTimescale) / m_frameDuration * 65536.0));
    m_tcDropFrame = movie->timecodeDef && (movie->timecodeDef->flags & ::tcDropFrame) != 0;
    m_codecType = movie->codec;
    m_startTimecode = kNoStartTimecode;
    if (movie->timecodeDef) {
        TimeCodeRecord record;
        if (FrameNumberToTimeCode(*movie->timecodeDef, movie->timecodeStartFrame, record) == noErr &&
            !(record.t.minutes & tctNegFlag))
            m_startTimecode = bcdOfRecord(record);
    }
    showFrameAt(0);
    return true;
}

void MovieDocument::didOpen() {
    // The rate is the movie's: the popup shows it (when one of its items is that rate) and is fixed.
    if (m_frameRatePopup) {
        int32_t match = -1;
        for (int32_t tag = 0; tag < settings::kFrameRateTagCount && match < 0; ++tag) {
            const settings::FrameRateSettings rate = settings::frameRateSettingsForTag(tag);
            if (rate.movieTimescale == m_movieTimescale && rate.frameDuration == m_frameDuration &&
                rate.tcDropFrame == m_tcDropFrame)
                match = tag;
        }
        m_frameRatePopup->selectItemAtIndex(m_frameRatePopup->indexOfItemWithTag(match));
        m_frameRatePopup->setEnabled(false);
    }
    if (m_codecPopup)
        m_codecPopup->selectItemAtIndex(
            m_codecPopup->indexOfItemWithTag(m_codecType == settings::kCodecR10g ? 1 : 0));
    // Its samples are copied: a reference to a reference is not offered.
    if (m_saveOptionMatrix) {
        m_saveOptionMatrix->selectCellWithTag(0);
        m_saveOptionMatrix->setEnabled(false);
    }
}

void MovieDocument::didFailToOpen() {
    std::shared_ptr<fw::Alert> alert = framework().alertWithMessageText(
        kCantShowMovieMessage, "OK", "", "", fw::lastPathComponent(fileString().value_or("")) + ": " + openProblem());
    alert->beginSheetModalForWindow(windowForSheet(), [](fw::Alert&, int) {});
}

std::string MovieDocument::getDefaultSourceIDString() const {
    if (m_movie && m_movie->sourceName)
        return *m_movie->sourceName;
    return DPXMovieFile::getDefaultSourceIDString();
}

Player::Locate MovieDocument::frameLocator() const {
    std::shared_ptr<const MovieSamples> movie = m_movie;
    return [movie](int32_t index) {
        FrameLocation location;
        if (!movie || index < 0 || size_t(index) >= movie->count()) {
            location.problem = "no sample " + std::to_string(index + 1);
            return location;
        }
        const SampleSource& sample = movie->samples[size_t(index)];
        location.path = movie->pathOf(size_t(index));
        location.offset = sample.offset;
        location.size = sample.size;
        if (location.path.empty())
            location.problem = "sample " + std::to_string(index + 1) + "'s data reference names no file";
        return location;
    };
}

std::string MovieDocument::frameNumberText(int32_t index) const {
    return "sample " + std::to_string(int64_t(index) + 1);
}

void MovieDocument::showFrameAt(int32_t index) {
    auto frame = std::make_shared<FramePixels>();
    frame->index = index;
    readFramePixels(frameLocator()(index), m_frameWidth, m_frameHeight, *frame);
    showFramePixels(index, std::move(frame));
}

std::string MovieDocument::windowTitleOfFrame(int32_t) const {
    return m_movie ? fw::lastPathComponent(m_movie->moviePath) : std::string();
}

std::string MovieDocument::pathOfFrame(int32_t index) const {
    if (!m_movie || index < 0 || size_t(index) >= m_movie->count())
        return {};
    return m_movie->pathOf(size_t(index));
}

uint32_t MovieDocument::rangeStartTimecode() const {
    if (m_startTimecode == kNoStartTimecode)
        return kNoStartTimecode;
    return offsetTimeCode(m_startTimecode, inFrame(), exportTimeCodeDef(m_movieTimescale, m_frameDuration, m_tcDropFrame));
}

std::optional<std::string> MovieDocument::descriptionName() const {
    if (!m_movie)
        return std::nullopt;
    const std::string movieName = fw::lastPathComponent(m_movie->moviePath);
    if (m_movie->selfContained || m_lastSlider < 0 || size_t(m_lastSlider) >= m_movie->count())
        return movieName;
    return movieName + ": " + m_fileList[size_t(m_lastSlider)];
}

DPXMovieFile::FetchedFrame MovieDocument::fetchExportFrame(int32_t frame, bool forCopy) const {
    DeferredLog log;
    FetchedFrame fetched;
    const FrameLocation location = frameLocator()(frame);
    fetched.named = !location.path.empty();
    fetched.width = m_frameWidth;
    fetched.height = m_frameHeight;
    // A frame file a reference points into may have been rewritten since: its header must still
    // give the movie's frame size and the sample's offset.
    if (fetched.named && location.path != m_movie->moviePath) {
        int32_t code = kFileCodeUnknown;
        std::shared_ptr<FrameFile> reader = openFileAtPath(location.path, code, true);
        if (reader && code != kFileCodeUnknown) {
            const NSSize size = reader->frameSize();
            fetched.width = int32_t(size.width);
            fetched.height = int32_t(size.height);
            if (uint64_t(reader->dataOffset()) != location.offset && fetched.width == m_frameWidth &&
                fetched.height == m_frameHeight) {
                fetched.readStatus = -1;
                NSLog("%s: its pixel data now starts at %d, not at %llu where the movie points\n",
                      location.path.c_str(), int(reader->dataOffset()), (unsigned long long)location.offset);
            }
        }
    }
    std::unique_ptr<ReadableFile> file;
    if (fetched.named)
        file = ReadableFile::fileHandleForReadingAtPath(location.path);
    if (!file) {
        fetched.problem = location.problem.empty() ? location.path + " is missing or can't be read" : location.problem;
        fetched.messages = log.take();
        return fetched;
    }
    fetched.opened = true;
    fetched.byteCount = int64_t(location.size);
    fetched.fileSize = file->sizeWhenOpened();
    if (forCopy && fetched.readStatus == noErr && fetched.width == m_frameWidth &&
        fetched.height == m_frameHeight) {
        const uint64_t size = file->sizeWhenOpened();
        if (location.size != m_movie->frameBytes() || location.offset > size ||
            location.size > size - location.offset) {
            fetched.readStatus = eofErr;
            NSLog("%s holds %llu bytes; the sample ends at %llu\n", location.path.c_str(), (unsigned long long)size,
                  (unsigned long long)(location.offset + location.size));
        } else {
            fetched.pixelFile = std::move(file);
            fetched.pixelOffset = location.offset;
        }
    }
    fetched.messages = log.take();
    return fetched;
}
