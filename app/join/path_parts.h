#pragma once

#include <QByteArray>
#include <QString>
#include <string>

#include "words/printable.h"

namespace morsela {

// The folder that holds a path, and its name, as the system's bytes: "/a/b.zip" gives "/a"
// and "b.zip"; a name without a folder is in ".".
inline QByteArray folderOf(const QByteArray& path) {
    const qsizetype slash = path.lastIndexOf('/');
    return slash <= 0 ? QByteArray(slash == 0 ? "/" : ".") : path.left(slash);
}

inline QByteArray nameOf(const QByteArray& path) {
    return path.mid(path.lastIndexOf('/') + 1);
}

// A name, or a message from the engine that names files, as the join window shows it: marks
// that turn the text around, line breaks and other control characters are shown escaped,
// as the command line prints them, so that a name cannot hide its ending or draw a line.
inline QString shownName(const QByteArray& name) {
    return QString::fromStdString(printable(name.toStdString()));
}

inline QString shownMessage(const std::string& text) {
    return QString::fromStdString(printable(text));
}

}  // namespace morsela
