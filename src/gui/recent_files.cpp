#include "gui/recent_files.h"

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

void RecentFiles::clear() {
    m_settings.remove(kKey);
    m_settings.sync();
}
