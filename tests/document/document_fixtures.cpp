#include "document_fixtures.h"

#include <cstdio>
#include <filesystem>
#include <sstream>

namespace docfixtures {

void writeFrames(const testsupport::TempDir& dir, const Names& names, testsupport::FrameSpec fileSpec) {
    for (const std::string& name : names) {
        fileSpec.filename = name;
        testsupport::writeFrameFile(dir.file(name), fileSpec);
    }
}

void writeSparseFrame(const std::string& path, uint32_t width, uint32_t height) {
    testsupport::FrameSpec fileSpec;
    fileSpec.width = width;
    fileSpec.height = height;
    fileSpec.pixels = std::vector<uint32_t>{};
    fileSpec.filename = std::filesystem::path(path).filename().string();
    testsupport::writeFrameFile(path, fileSpec);
    std::filesystem::resize_file(path, 2048 + uintmax_t(width) * height * 4);
}

Names shotNames(int first, int last, const std::string& base, const std::string& ext) {
    Names names;
    for (int i = first; i <= last; ++i) {
        char number[16];
        std::snprintf(number, sizeof number, "%04d", i);
        names.push_back(base + number + ext);
    }
    return names;
}

namespace {
template <class T> T& control(DPXMovieFile& document, const char* identifier) {
    T* found = document.window() ? document.window()->find<T>(identifier) : nullptr;
    if (!found)
        throw std::runtime_error(std::string("no control ") + identifier);
    return *found;
}
} // namespace

fw::HeadlessPopUpButton& frameRatePopup(DPXMovieFile& document) {
    return control<fw::HeadlessPopUpButton>(document, DPXMovieFile::kFrameRatePopupID);
}
fw::HeadlessPopUpButton& codecPopup(DPXMovieFile& document) {
    return control<fw::HeadlessPopUpButton>(document, DPXMovieFile::kCodecPopupID);
}
fw::HeadlessSlider& frameSlider(DPXMovieFile& document) {
    return control<fw::HeadlessSlider>(document, DPXMovieFile::kFrameSliderID);
}
fw::HeadlessTextField& sourceIDField(DPXMovieFile& document) {
    return control<fw::HeadlessTextField>(document, DPXMovieFile::kSourceIDTextFieldID);
}
fw::HeadlessTabView& tabs(DPXMovieFile& document) {
    return control<fw::HeadlessTabView>(document, DPXMovieFile::kTabViewID);
}
fw::Button& button(DPXMovieFile& document, const char* identifier) {
    return control<fw::Button>(document, identifier);
}

std::string description(DPXMovieFile& document) {
    return control<fw::TextField>(document, DPXMovieFile::kDescriptTextID).stringValue();
}

std::string descriptionLine(DPXMovieFile& document, int line) {
    std::istringstream in(description(document));
    std::string text;
    for (int i = 0; i <= line && std::getline(in, text); ++i) {
        if (i == line)
            return text;
    }
    return "<no line " + std::to_string(line) + ">";
}

} // namespace docfixtures
