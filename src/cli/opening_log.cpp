#include "cli/opening_log.h"

#include "cli/json.h"
#include "platform/display_text.h"

#include <cstdio>

namespace {

// What a document without an output device logs for each frame it shows.
const char kNoOutputDeviceLine[] = "Couldn't open VideoOut!\n";

} // namespace

OpeningLog::OpeningLog(bool withOutputDevice)
    : m_withOutputDevice(withOutputDevice), m_capture(std::make_unique<LogCapture>(false)) {}

OpeningLog::~OpeningLog() {
    release();
}

void OpeningLog::release() {
    if (!m_capture)
        return;
    m_lines = m_capture->messages();
    m_capture.reset();
    for (const std::string& line : m_lines)
        if (m_withOutputDevice || line != kNoOutputDeviceLine)
            NSLog("%s", line.c_str());
}

std::string OpeningLog::failure(const std::string& path, const std::string& documentProblem) const {
    std::vector<std::string> lines = m_capture ? m_capture->messages() : m_lines;
    std::string reason = documentProblem;
    for (auto line = lines.rbegin(); line != lines.rend() && reason.empty(); ++line)
        if (*line != kNoOutputDeviceLine)
            reason = *line;
    while (!reason.empty() && (reason.back() == '\n' || reason.back() == ' ' || reason.back() == ':'))
        reason.pop_back();
    return "couldn't open file " + path + (reason.empty() ? std::string() : ": " + reason);
}

int reportOpeningFailure(bool json, const std::string& problem) {
    std::fprintf(stderr, "Error: %s\n", printable(problem).c_str());
    if (json)
        std::printf("%s\n", problemsJson(jsonText(problem)).c_str());
    return 1;
}
