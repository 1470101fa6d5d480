#pragma once

#include <QByteArray>

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

}  // namespace morsela
