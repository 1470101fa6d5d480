#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>
#include <map>

namespace morsela {

// The machine's drives, on a system without drive letters: its mounted file systems, named by
// their mount points. Each remembers the directory last shown on it, its current directory.
// Paths are kept as the bytes the system gives, whatever their encoding.
//
// The list follows the machine: it is read again from its source whenever it is refreshed,
// so a stick mounted later appears and one unmounted goes.
class MountPoints : public QObject {
    Q_OBJECT
  public:
    using Source = std::function<QStringList()>;

    // The real file systems mounted on this machine: not /proc, /sys, bind mounts of single
    // files, sandboxes, snaps and the like.
    static QStringList ofSystem();

    explicit MountPoints(Source source, QObject* parent = nullptr);

    const QStringList& all() const { return mountPoints_; }
    // Reads the drives again; the current directories of drives still there are kept.
    void refresh();
    // The index of the drive that holds `path`: the longest mount point above it.
    int driveOf(const QByteArray& path) const;
    // The current directory of a drive: the one last shown on it, else its mount point.
    QByteArray currentDirectory(int drive) const;
    // Makes `path` the current directory of the drive that holds it.
    void remember(const QByteArray& path);

  signals:
    void remembered(int drive);
    // The drives changed in a refresh: one came or went.
    void changed();

  private:
    Source source_;
    QStringList mountPoints_;
    std::map<QString, QByteArray> current_;  // by mount point, so that it survives a refresh
};

}  // namespace morsela
