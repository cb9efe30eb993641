// Text between the framework's UTF-8 strings and Qt's.
#pragma once

#include <QString>

#include <string>

namespace fw {

inline QString toQString(const std::string& text) {
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
}
inline std::string fromQString(const QString& text) {
    return text.toUtf8().toStdString();
}

} // namespace fw
