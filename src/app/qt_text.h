// The window's edge: texts are UTF-8 std::string below the window and QString in it; every
// conversion is explicit and goes through here.
#pragma once

#include "core/paths.h"

#include <QDir>
#include <QString>

#include <string>
#include <string_view>

namespace tess::app {

inline QString qs(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

inline std::string str(const QString& text) {
    return text.toStdString();
}

// A path as the window shows it: every separator the platform's own. The system builds its
// paths with "\" and the file system also takes "/" (core/paths.h); files and the wizard
// state keep that text byte for byte, only what the user reads is shown so.
inline QString shownPath(std::string_view path) {
    QString text = qs(path);
    text.replace(QLatin1Char('\\'), QLatin1Char('/'));
    return QDir::toNativeSeparators(text);
}

// The folder that a note's "Ordner öffnen" shows for a path: the path itself when it names a
// folder (ends with its separator), else the folder of the file.
inline QString shownFolderOf(const std::string& path) {
    const bool isFolder = !path.empty() && isPathSeparator(path.back());
    return shownPath(isFolder ? path : folderPart(path));
}

} // namespace tess::app
