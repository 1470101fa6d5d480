#pragma once

#include <QList>
#include <QObject>
#include <functional>
#include <map>

#include "app/controls/native_path.h"

namespace morsela {

// The machine's drives, on a system without drive letters: its mounted file systems, named by
// their mount points. Each remembers the directory last shown on it, its current directory.
//
// The list follows the machine: it is read again from its source whenever it is refreshed,
// so a stick mounted later appears and one unmounted goes.
class MountPoints : public QObject {
    Q_OBJECT
  public:
    using Source = std::function<QList<NativePath>()>;

    // The real file systems mounted on this machine: not /proc, /sys, bind mounts of single
    // files, sandboxes, snaps and the like.
    static QList<NativePath> ofSystem();

    explicit MountPoints(Source source, QObject* parent = nullptr);

    const QList<NativePath>& all() const { return mountPoints_; }
    // Reads the drives again; the current directories of drives still there are kept.
    void refresh();
    // The index of the drive that holds `path`: the longest mount point above it.
    int driveOf(const NativePath& path) const;
    // The current directory of a drive: the one last shown on it, else its mount point.
    NativePath currentDirectory(int drive) const;
    // Makes `path` the current directory of the drive that holds it.
    void remember(const NativePath& path);

  signals:
    void remembered(int drive);
    // The drives changed in a refresh: one came or went.
    void changed();

  private:
    Source source_;
    QList<NativePath> mountPoints_;
    std::map<NativePath, NativePath> current_;  // by mount point, so that it survives a refresh
};

}  // namespace morsela
