#include "platform/log.h"

#include "platform/display_text.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdarg>
#include <cstdio>
#include <ctime>
#include <mutex>
#include <unistd.h>
#include <utility>

namespace {

// The log is shared by the main thread and export workers.
std::mutex g_logMutex;
LogCapture* g_capture = nullptr;
// The innermost deferral of each thread; only its own thread touches it.
thread_local DeferredLog* t_deferred = nullptr;

std::string prefix() {
    using namespace std::chrono;
    auto now = system_clock::now();
    std::time_t seconds = system_clock::to_time_t(now);
    auto millis = duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000;
    std::tm local{};
    localtime_r(&seconds, &local);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S", &local);
    char text[128];
    std::snprintf(text, sizeof text, "%s.%03lld %s[%d] ", stamp, static_cast<long long>(millis),
                  program_invocation_short_name, static_cast<int>(getpid()));
    return text;
}

} // namespace

void NSLog(const char* format, ...) {
    va_list args;
    va_start(args, format);
    va_list copy;
    va_copy(copy, args);
    int length = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    std::string message(length > 0 ? size_t(length) : 0, '\0');
    if (length > 0)
        std::vsnprintf(message.data(), message.size() + 1, format, args);
    va_end(args);

    logMessages({std::move(message)});
}

void logMessages(const std::vector<std::string>& messages) {
    if (t_deferred) {
        t_deferred->m_messages.insert(t_deferred->m_messages.end(), messages.begin(), messages.end());
        return;
    }
    for (const std::string& message : messages) {
        // Messages carry file names and file bytes: none may reach the terminal as a control
        // sequence. Captures keep the text as it was made.
        const bool ends = !message.empty() && message.back() == '\n';
        const std::string line =
            prefix() + printable(ends ? message.substr(0, message.size() - 1) : message) + '\n';

        std::lock_guard<std::mutex> lock(g_logMutex);
        bool echo = true;
        if (g_capture) {
            g_capture->add(message);
            echo = g_capture->m_echo;
        }
        if (echo) {
            std::fwrite(line.data(), 1, line.size(), stderr);
            std::fflush(stderr);
        }
    }
}

LogCapture::LogCapture(bool echo) : m_echo(echo) {
    std::lock_guard<std::mutex> lock(g_logMutex);
    m_previous = g_capture;
    g_capture = this;
}

LogCapture::~LogCapture() {
    std::lock_guard<std::mutex> lock(g_logMutex);
    g_capture = m_previous;
}

std::vector<std::string> LogCapture::messages() const {
    std::lock_guard<std::mutex> lock(g_logMutex);
    return m_messages;
}

int LogCapture::count(const std::string& text) const {
    std::lock_guard<std::mutex> lock(g_logMutex);
    return int(std::count(m_messages.begin(), m_messages.end(), text));
}

void LogCapture::clear() {
    std::lock_guard<std::mutex> lock(g_logMutex);
    m_messages.clear();
}

// Called with the log mutex held.
void LogCapture::add(const std::string& message) {
    m_messages.push_back(message);
}

DeferredLog::DeferredLog() : m_previous(t_deferred) {
    t_deferred = this;
}

DeferredLog::~DeferredLog() {
    t_deferred = m_previous;
}

std::vector<std::string> DeferredLog::take() {
    return std::exchange(m_messages, {});
}
