#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <map>

namespace morsela {

// The machine's drives, on a system without drive letters: its mounted file systems, named by
// their mount points. Each remembers the directory last shown on it, its current directory.
class MountPoints : public QObject {
    Q_OBJECT
  public:
    // The real file systems mounted on this machine (not /proc, /sys and the like).
    static QStringList ofSystem();

    explicit MountPoints(QStringList mountPoints, QObject* parent = nullptr);

    const QStringList& all() const { return mountPoints_; }
    // The index of the drive that holds `path`: the longest mount point above it.
    int driveOf(const QString& path) const;
    // The current directory of a drive: the one last shown on it, else its mount point.
    QString currentDirectory(int drive) const;
    // Makes `path` the current directory of the drive that holds it.
    void remember(const QString& path);

  signals:
    void remembered(int drive);

  private:
    QStringList mountPoints_;
    std::map<int, QString> current_;
};

}  // namespace morsela
