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

    /// Menu titles for the paths, in their order: the file's name, followed by as many of its
    /// folders as tell it from another path of the same name ("shot_0001.dpx — reel1/shotA").
    static QStringList distinctTitles(const QStringList& paths);

private:
    QSettings m_settings;
};
