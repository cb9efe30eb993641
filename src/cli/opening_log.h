// The log of a document's opening, held back while the document opens so that a command can say
// why an opening failed, in one line that names the file, and leave out the output device's
// complaint where the command doesn't use the device.
#pragma once

#include "platform/log.h"

#include <memory>
#include <string>
#include <vector>

class OpeningLog {
public:
    /// Starts holding back the log lines.
    explicit OpeningLog(bool withOutputDevice);
    /// Passes the held lines on to standard error (if release() wasn't called).
    ~OpeningLog();
    OpeningLog(const OpeningLog&) = delete;
    OpeningLog& operator=(const OpeningLog&) = delete;

    /// Stops holding back: the lines so far go to standard error, as they would have.
    void release();

    /// "couldn't open file PATH: REASON", the reason being the document's own account of the
    /// failure when it has one, else the last line the opening logged.
    std::string failure(const std::string& path, const std::string& documentProblem = {}) const;

private:
    bool m_withOutputDevice;
    std::unique_ptr<LogCapture> m_capture;
    std::vector<std::string> m_lines;
};

/// Ends a command whose document did not open: "Error: couldn't open file PATH: REASON" on standard
/// error and, with --json, {"problems": [...]} on standard output. Returns the exit status, 1.
int reportOpeningFailure(bool json, const std::string& problem);
