// The files the user opened last, newest first, kept beside the user defaults for File ▸ Open
// Recent.
#pragma once

#include <QSettings>
#include <QStringList>

#include <string>

class RecentFiles {
public:
    static constexpr int kMaximum = 10;

    explicit RecentFiles(const std::string& iniPath);
    QStringList paths() const;
    /// Puts the path first (once).
    void add(const QString& path);
    void clear();

private:
    QSettings m_settings;
};
