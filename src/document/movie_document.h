// MovieDocument: a movie opened as a document, ours or another writer's, whose video is 10-bit RGB
// ('R10k' or 'R10g'), self-contained or by reference (a data reference per sample, absolute or
// relative to the movie). It is the sequence document's window, browsing, playing, output and
// export over the movie's samples instead of a folder's frames: sample i is frame i, the movie's
// rate and codec are the settings, its timecode and source name the ones an export carries on.
//
// An export of a movie document is always self-contained: the samples' bytes are copied as a
// sequence's frames are ("consolidate"). A sample whose file is missing, too short or now of another
// frame size shows a placeholder, says which file, and stops an export with that reason.
#pragma once

#include "document/dpx_movie_file.h"
#include "platform/movie/movie_samples.h"

#include <memory>
#include <string>

class MovieDocument : public DPXMovieFile {
public:
    static std::shared_ptr<MovieDocument> create(fw::Framework& framework);

    /// Whether the file at `path` begins as a movie file does (its first atom is 'ftyp', 'moov',
    /// 'mdat', 'wide', 'free', 'skip' or 'pnot'). Frame files begin with their magic number.
    static bool isMovieFile(const std::string& path);

    /// Reads the movie and locates its samples; the first sample becomes the current frame. False,
    /// with openProblem() saying why, for a movie we can't show (another codec, no video, ...).
    bool openSequence() override;
    /// The movie file itself only: the frames a reference movie points into open as sequences.
    bool showsFile(const std::filesystem::path& path) const override { return fw::Document::showsFile(path); }
    /// What was read of the movie; null before a successful opening.
    const std::shared_ptr<const MovieSamples>& movie() const { return m_movie; }

    Player::Locate frameLocator() const override;
    /// The file sample `index` is in: the movie, or the frame file it refers to.
    std::string pathOfFrame(int32_t index) const override;
    /// The movie's timecode moved to the in point: the timecode track is what a movie says.
    uint32_t rangeStartTimecode() const override;
    /// "sample 12": samples are counted from 1.
    std::string frameNumberText(int32_t index) const override;
    /// A movie's samples carry no warnings of a folder's numbering.
    std::vector<SequenceWarning> rangeWarnings() const override { return {}; }
    /// The movie's timecode source name where it has one, else the preference's choice.
    std::string getDefaultSourceIDString() const override;

    /// The alert's title for a movie that can't be shown.
    static constexpr const char* kCantShowMovieMessage = "This movie can't be shown";

protected:
    explicit MovieDocument(fw::Framework& framework) : DPXMovieFile(framework) {}

    void showFrameAt(int32_t index) override;
    std::optional<std::string> descriptionName() const override;
    /// The movie's name, whichever sample is on show.
    std::string windowTitleOfFrame(int32_t) const override;
    void didOpen() override;
    void didFailToOpen() override;
    FetchedFrame fetchExportFrame(int32_t frame, bool forCopy) const override;

private:
    std::shared_ptr<const MovieSamples> m_movie;
};
