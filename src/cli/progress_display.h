// The translation's progress on standard error: a bar redrawn in place on a terminal, one line a
// second otherwise (logs, pipes).
#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>

/// "[=========>          ]  120/250 frames  412.5 MB/s  0:03 left" (bar) or
/// "120/250 frames, 412.5 MB/s, 0:03 left" (line). A reference movie copies nothing: its speed is
/// in frames per second. Speed and time left are left out until a frame is done.
std::string progressText(int32_t done, int32_t total, double seconds, uint64_t bytesPerFrame, bool reference,
                         bool bar);

class ProgressDisplay {
public:
    ProgressDisplay(std::FILE* out, bool terminal, uint64_t bytesPerFrame, bool reference);
    /// Shows the progress: at every call on a terminal, at most once a second otherwise.
    void update(int32_t done, int32_t total);
    /// Ends the bar's line, redrawn with the final count (nothing for lines).
    void finish(int32_t done, int32_t total);
    /// A line of its own between the progress: the bar is taken up again below it.
    void note(const std::string& text);

private:
    void endBar();

    using Clock = std::chrono::steady_clock;
    std::FILE* m_out;
    bool m_terminal;
    uint64_t m_bytesPerFrame;
    bool m_reference;
    Clock::time_point m_start = Clock::now();
    Clock::time_point m_lastLine{};
    bool m_shown = false;
};
