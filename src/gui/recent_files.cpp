#include "gui/recent_files.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>

namespace {
const QString kKey = QStringLiteral("RecentFiles");
}

RecentFiles::RecentFiles(const std::string& iniPath)
    : m_settings(QString::fromStdString(iniPath), QSettings::IniFormat) {}

QStringList RecentFiles::paths() const {
    return m_settings.value(kKey).toStringList();
}

void RecentFiles::add(const QString& path) {
    QStringList list = paths();
    list.removeAll(path);
    list.prepend(path);
    while (list.size() > kMaximum)
        list.removeLast();
    m_settings.setValue(kKey, list);
    m_settings.sync();
}

QStringList RecentFiles::distinctTitles(const QStringList& paths) {
    QList<QStringList> folders; // each path's folders, innermost first
    for (const QString& path : paths) {
        QStringList parts = QDir::cleanPath(path).split(QLatin1Char('/'), Qt::SkipEmptyParts);
        if (!parts.isEmpty())
            parts.removeLast();
        std::reverse(parts.begin(), parts.end());
        folders.append(parts);
    }
    QList<int> shown(paths.size(), 0); // folders shown per title
    const auto titleOf = [&](int i) {
        const QString name = QFileInfo(paths[i]).fileName();
        if (shown[i] == 0)
            return name;
        QStringList outer = folders[i].mid(0, shown[i]);
        std::reverse(outer.begin(), outer.end());
        return name + QStringLiteral(" \u2014 ") + outer.join(QLatin1Char('/'));
    };
    for (bool grew = true; grew;) {
        grew = false;
        QStringList titles;
        for (int i = 0; i < paths.size(); ++i)
            titles.append(titleOf(i));
        for (int i = 0; i < paths.size(); ++i)
            if (titles.count(titles[i]) > 1 && shown[i] < folders[i].size()) {
                ++shown[i];
                grew = true;
            }
    }
    QStringList titles;
    for (int i = 0; i < paths.size(); ++i)
        titles.append(titleOf(i));
    return titles;
}

void RecentFiles::clear() {
    m_settings.remove(kKey);
    m_settings.sync();
}
