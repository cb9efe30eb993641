#include "cli/progress_display.h"

#include <cmath>

namespace {

constexpr int kBarWidth = 30;

std::string clockText(double seconds) {
    const long total = std::lround(seconds);
    char text[32];
    if (total >= 3600)
        std::snprintf(text, sizeof text, "%ld:%02ld:%02ld", total / 3600, total / 60 % 60, total % 60);
    else
        std::snprintf(text, sizeof text, "%ld:%02ld", total / 60, total % 60);
    return text;
}

} // namespace

std::string progressText(int32_t done, int32_t total, double seconds, uint64_t bytesPerFrame, bool reference,
                         bool bar) {
    std::string text;
    if (bar) {
        int filled = total > 0 ? int(int64_t(kBarWidth) * done / total) : 0;
        filled = filled < 0 ? 0 : (filled > kBarWidth ? kBarWidth : filled);
        text.push_back('[');
        text.append(size_t(filled), '=');
        if (filled < kBarWidth) {
            text.push_back('>');
            text.append(size_t(kBarWidth - filled - 1), ' ');
        }
        text.append("]  ");
    }
    const char* gap = bar ? "  " : ", ";
    text += std::to_string(done) + "/" + std::to_string(total) + " frames";
    if (done > 0 && seconds > 0) {
        char speed[64];
        if (reference)
            std::snprintf(speed, sizeof speed, "%.0f frames/s", done / seconds);
        else
            std::snprintf(speed, sizeof speed, "%.1f MB/s",
                          double(done) * double(bytesPerFrame) / seconds / 1e6);
        text += gap + std::string(speed) + gap + clockText(seconds / done * (total - done)) + " left";
    }
    return text;
}

ProgressDisplay::ProgressDisplay(std::FILE* out, bool terminal, uint64_t bytesPerFrame, bool reference)
    : m_out(out), m_terminal(terminal), m_bytesPerFrame(bytesPerFrame), m_reference(reference) {}

void ProgressDisplay::update(int32_t done, int32_t total) {
    const Clock::time_point now = Clock::now();
    const double seconds = std::chrono::duration<double>(now - m_start).count();
    if (m_terminal) {
        // Back to the line's start, the bar, the rest of the line cleared.
        std::fprintf(m_out, "\r%s\x1b[K",
                     progressText(done, total, seconds, m_bytesPerFrame, m_reference, true).c_str());
    } else {
        if (m_shown && now - m_lastLine < std::chrono::seconds(1))
            return;
        m_lastLine = now;
        std::fprintf(m_out, "%s\n",
                     progressText(done, total, seconds, m_bytesPerFrame, m_reference, false).c_str());
    }
    m_shown = true;
    std::fflush(m_out);
}

void ProgressDisplay::finish(int32_t done, int32_t total) {
    if (m_terminal && m_shown) {
        update(done, total);
        endBar();
    }
}

void ProgressDisplay::endBar() {
    if (m_terminal && m_shown) {
        std::fprintf(m_out, "\n");
        std::fflush(m_out);
        m_shown = false;
    }
}

void ProgressDisplay::note(const std::string& text) {
    endBar();
    std::fprintf(m_out, "%s\n", text.c_str());
    std::fflush(m_out);
}
