// Finding the sequence of the opened file in its directory (countFramesInPath).
#include "document/dpx_movie_file.h"

#include "framefiles/dpx_file.h"
#include "framefiles/frame_file_code.h"
#include "platform/directory_contents.h"
#include "platform/framework/path_ops.h"
#include "platform/framework/string_compare.h"
#include "platform/framework/unicode_text.h"
#include "platform/log.h"
#include "platform/ordered_prefetch.h"
#include "platform/read_file.h"

#include <algorithm>
#include <cstring>

namespace {

uint32_t byteSwapped(uint32_t id) {
    return (id >> 24) | ((id >> 8) & 0xFF00) | ((id << 8) & 0xFF0000) | (id << 24);
}

// Whether a left-out entry may be a frame the user expected in the sequence: a DPX or Cineon file
// (of either byte order) that was refused or can't be read, or any file named like the opened one.
// Files of another kind and name that merely share the prefix (the movie written beside the frames,
// notes, folders) are no dropped frames.
bool couldBeAFrame(const std::string& path, const std::string& name, const std::string& openedExtension) {
    if (fw::pathExtension(name) == openedExtension)
        return true;
    uint32_t id = 0;
    if (readFrameFileID(path, id) != 0)
        return false; // a folder, or nothing that can be read
    return frameFileCodeOfID(id) != kFileCodeUnknown ||
           frameFileCodeOfID(byteSwapped(id)) != kFileCodeUnknown;
}

// What the examination of one candidate found, handed from the thread that opened it.
struct CandidateFacts {
    bool isFrame = false;
    ScannedFrame frame;
    bool couldBeAFrame = false; // when refused: whether it counts as left out
    int resourceError = 0;      // never looked at: the scan fails
    std::string problem;
    std::vector<std::string> messages; // logged while it was examined
};

// Results kept ahead of their use at most: bounds the memory, not the speed.
constexpr int64_t kScanWindow = 1024;

} // namespace

int32_t DPXMovieFile::countFramesInPath(const std::string& path) {
    std::string name = fw::stringByDeletingPathExtension(fw::lastPathComponent(path));
    m_directoryPath = fw::stringByDeletingLastPathComponent(path);
    m_fileBaseName = fw::deletingTrailingDecimalDigits(name);

    m_fileList.clear();
    m_scannedFrames.clear();
    m_leftOut.clear();
    const std::string openedExtension = fw::pathExtension(fw::lastPathComponent(path));
    // Only a name with the base name as its prefix is opened; the extension is never looked at.
    std::vector<std::string> candidates;
    if (m_folderEntries) {
        // Sorted by bytes, the names with the prefix are side by side: a folder of thousands of
        // one-frame sequences is read once, not once per sequence.
        auto first = std::lower_bound(m_folderEntries->begin(), m_folderEntries->end(), m_fileBaseName);
        for (auto at = first; at != m_folderEntries->end() && fw::hasLiteralPrefix(*at, m_fileBaseName); ++at)
            candidates.push_back(*at);
    } else {
        int error = 0;
        std::optional<std::vector<std::string>> entries = directoryContentsAtPath(m_directoryPath, &error);
        if (!entries) {
            NSLog("Error: couldn't read directory %s (%s)\n", m_directoryPath.c_str(), std::strerror(error));
            m_openProblem = std::string("its folder can't be read (") + std::strerror(error) + ")";
            m_openResourceError = isResourceFailure(error) ? error : 0;
            return 0;
        }
        for (std::string& entry : *entries)
            if (fw::hasLiteralPrefix(entry, m_fileBaseName))
                candidates.push_back(std::move(entry));
    }
    // The candidates are examined ahead on several threads; their results, log lines included,
    // are taken in the directory's order, so the outcome is that of one examination after another.
    const std::string directory = m_directoryPath;
    const bool allowLargeFrames = m_bAllowLargeFrames;
    const std::string openedName = fw::lastPathComponent(path);
    const FrameFile* openedReader = m_openingReader;
    auto examine = [&candidates, &directory, &openedExtension, &openedName, openedReader,
                    allowLargeFrames](int64_t index) {
        DeferredLog log;
        CandidateFacts facts;
        auto takeFrame = [&facts](const FrameFile& reader) {
            facts.isFrame = true;
            const NSSize size = reader.frameSize();
            facts.frame.width = int32_t(size.width);
            facts.frame.height = int32_t(size.height);
            facts.frame.dataOffset = reader.dataOffset();
            if (auto dpx = dynamic_cast<const MyDPXFile*>(&reader))
                facts.frame.timecode = dpx->timecode();
        };
        // The frame being opened was identified a moment ago: it is not opened a second time.
        if (openedReader && candidates[size_t(index)] == openedName) {
            takeFrame(*openedReader);
            return facts;
        }
        const std::string entryPath =
            fw::stringByAppendingPathComponent(directory, candidates[size_t(index)]);
        int32_t code = 0;
        std::shared_ptr<FrameFile> reader =
            openFileAtPath(entryPath, code, allowLargeFrames, &facts.problem, &facts.resourceError);
        if (reader && code != 0) {
            takeFrame(*reader);
        } else if (facts.resourceError == 0) {
            facts.couldBeAFrame = couldBeAFrame(entryPath, candidates[size_t(index)], openedExtension);
        }
        if (reader)
            reader->closeFile();
        facts.messages = log.take();
        return facts;
    };
    OrderedPrefetch<CandidateFacts> ahead(0, int64_t(candidates.size()),
                                          m_readThreads > 1 ? m_readThreads : 0, kScanWindow, examine,
                                          "scan-read");
    // Each frame with what its header said, sorted together.
    std::vector<std::pair<std::string, ScannedFrame>> found;
    found.reserve(candidates.size());
    for (size_t index = 0; index < candidates.size(); ++index) {
        CandidateFacts facts = ahead.take(int64_t(index));
        logMessages(facts.messages);
        if (facts.resourceError != 0) {
            // A frame that couldn't be looked at is neither in the sequence nor left out of it.
            m_openProblem = candidates[index] + ": " + facts.problem;
            m_openResourceError = facts.resourceError;
            m_leftOut.clear();
            return 0;
        }
        if (facts.isFrame)
            found.emplace_back(std::move(candidates[index]), facts.frame);
        else if (facts.couldBeAFrame)
            m_leftOut.push_back(
                {std::move(candidates[index]), facts.problem.empty() ? "not a usable frame" : facts.problem});
    }
    // Sorted once, after the scan: the names compare by their numbers, then by their bytes, so the
    // order is the same on every run whatever order the directory lists them in.
    std::sort(found.begin(), found.end(),
              [](const auto& a, const auto& b) { return fw::numericLess(a.first, b.first); });
    std::sort(m_leftOut.begin(), m_leftOut.end(),
              [](const LeftOutEntry& a, const LeftOutEntry& b) { return fw::numericLess(a.name, b.name); });
    m_fileList.reserve(found.size());
    m_scannedFrames.reserve(found.size());
    for (auto& [name, frame] : found) {
        m_fileList.push_back(std::move(name));
        m_scannedFrames.push_back(frame);
    }

    auto opened = std::find(m_fileList.begin(), m_fileList.end(), openedName);
    m_lastSlider = opened == m_fileList.end() ? 0 : int32_t(opened - m_fileList.begin());
    return int32_t(m_fileList.size());
}
