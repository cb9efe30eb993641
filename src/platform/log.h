// The platform log function.
//
// NSLog formats its message printf-style and writes one line to standard error, prefixed like a
// platform log line: "2026-12-09 06:45:12.345 reelmaker[4242] message". A message that already ends
// with a line feed gets no second one; the line shows control characters as the commands do (\xNN,
// see display_text.h). Tests attach a LogCapture to read the message texts.
#pragma once

#include <string>
#include <vector>

void NSLog(const char* format, ...) __attribute__((format(printf, 1, 2)));
/// Logs messages already made (as NSLog's text, kept by a DeferredLog), in their order.
void logMessages(const std::vector<std::string>& messages);

/// While alive, collects every logged message (the text without prefix, line feed included).
/// With echo off the lines do not reach standard error. Captures nest; the innermost one collects.
class LogCapture {
public:
    explicit LogCapture(bool echo = false);
    ~LogCapture();
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    std::vector<std::string> messages() const;
    /// How many messages equal `text` exactly.
    int count(const std::string& text) const;
    void clear();

private:
    friend void logMessages(const std::vector<std::string>&);
    void add(const std::string& message);

    bool m_echo;
    LogCapture* m_previous;
    std::vector<std::string> m_messages;
};

/// While alive, keeps the messages its own thread logs instead of logging them. Work done ahead on
/// other threads hands them over with its result (take()), and the thread that uses the result logs
/// them with logMessages(), so that the log reads in the order of the work, not of the threads.
class DeferredLog {
public:
    DeferredLog();
    ~DeferredLog();
    DeferredLog(const DeferredLog&) = delete;
    DeferredLog& operator=(const DeferredLog&) = delete;

    /// The messages kept so far (the text without prefix), leaving none.
    std::vector<std::string> take();

private:
    friend void logMessages(const std::vector<std::string>&);
    DeferredLog* m_previous;
    std::vector<std::string> m_messages;
};
