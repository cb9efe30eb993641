// Sequences written for the export tests, documents opened on them, and the independent readers'
// views of the movies made from them.
#pragma once

#include "app/headless_session.h"
#include "document/dpx_movie_file.h"
#include "support/frame_writer.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace exportfixtures {

/// Frame `index` of a sequence: pixel words that differ per pixel, per component and per frame.
std::vector<uint32_t> sequencePixels(uint32_t width, uint32_t height, int index);

/// Writes `count` frames `<base><NNNN>.dpx` (or .cin for Cineon) into `directory`, numbered from 1,
/// each from `fileSpec` with its own pixels and, when fileSpec.timecode is set, a timecode that counts
/// on at 24 frames per second. Returns the paths.
std::vector<std::string> writeSequence(const std::string& directory, const std::string& base, int count,
                                       testsupport::FrameSpec fileSpec);

/// A document opened on `path` in the session, as the user opens it; fails the test when the
/// sequence can't be opened.
std::shared_ptr<DPXMovieFile> openDocument(HeadlessSession& session, const std::string& path);

/// The document's export settings for `movie`, at the rate of a frame-rate tag.
ExportSettings settingsAtRate(const DPXMovieFile& document, const std::string& movie, bool reference,
                              int rateTag);

/// ffprobe's header facts, frame count and timecode tags of every stream, as flat key=value lines.
std::string probeStreams(const std::string& movie);
/// True when `text` holds each of the lines.
::testing::AssertionResult hasLines(const std::string& text, const std::vector<std::string>& lines);

/// The MD5 of the first video track's frames decoded to gbrp10le.
std::string movieMd5(const std::string& movie);
/// The MD5 of `frames` frames of a DPX sequence (printf pattern) from number `first`, decoded alike.
std::string framesMd5(const std::string& pattern, int first, int frames);

} // namespace exportfixtures
