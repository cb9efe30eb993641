// Sequences on disk and documents opened on them through a headless session, for the document
// window's tests.
#pragma once

#include "app/headless_session.h"
#include "document/dpx_movie_file.h"
#include "platform/framework/headless/headless_controls.h"
#include "platform/framework/headless/headless_view.h"

#include "support/frame_writer.h"
#include "support/test_support.h"

#include <string>
#include <vector>

namespace docfixtures {

using Names = std::vector<std::string>;

/// Small DPX frames under these names, each recording its own name in the header.
void writeFrames(const testsupport::TempDir& dir, const Names& names,
                 testsupport::FrameSpec fileSpec = testsupport::FrameSpec{});

/// A DPX frame of width x height whose pixel data is a hole in a sparse file: as large as a real
/// frame, without taking the disk space.
void writeSparseFrame(const std::string& path, uint32_t width, uint32_t height);

/// "shot_0001.dpx" ... for first..last.
Names shotNames(int first, int last, const std::string& base = "shot_", const std::string& ext = ".dpx");

// The window's controls as the headless framework made them, to act on them as a user.
fw::HeadlessPopUpButton& frameRatePopup(DPXMovieFile& document);
fw::HeadlessPopUpButton& codecPopup(DPXMovieFile& document);
fw::HeadlessSlider& frameSlider(DPXMovieFile& document);
fw::HeadlessTextField& sourceIDField(DPXMovieFile& document);
fw::HeadlessTabView& tabs(DPXMovieFile& document);
/// A button of the window by identifier (the marking buttons).
fw::Button& button(DPXMovieFile& document, const char* identifier);
/// The description field's text, and its third line.
std::string description(DPXMovieFile& document);
std::string descriptionLine(DPXMovieFile& document, int line);

} // namespace docfixtures
