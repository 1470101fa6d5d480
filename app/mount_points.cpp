#include "app/mount_points.h"

#include <QFile>
#include <QSet>
#include <QTextStream>
#include <algorithm>

namespace morsela {
namespace {

// File system types that hold no files of the user's.
const QSet<QString> kPseudoTypes = {
    "autofs",  "binfmt_misc", "bpf",      "cgroup",   "cgroup2",         "configfs",
    "debugfs", "devpts",      "devtmpfs", "efivarfs", "fusectl",         "hugetlbfs",
    "mqueue",  "nsfs",        "proc",     "pstore",   "rpc_pipefs",      "securityfs",
    "sysfs",   "tracefs",     "ramfs",    "squashfs", "fuse.gvfsd-fuse", "fuse.portal"};

bool isSystemPlace(const QString& mountPoint) {
    for (const char* top : {"/proc", "/sys", "/dev", "/run"}) {
        const QString prefix = top;
        if (mountPoint == prefix || mountPoint.startsWith(prefix + "/")) {
            return !mountPoint.startsWith("/run/media/");  // removable media live there
        }
    }
    return false;
}

// Mount points in /proc/self/mountinfo escape blanks and the like as octal "\040".
QString unescape(const QString& field) {
    QByteArray bytes = field.toLocal8Bit();
    QByteArray out;
    for (int i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\\' && i + 3 < bytes.size()) {
            out += static_cast<char>(bytes.mid(i + 1, 3).toInt(nullptr, 8));
            i += 3;
        } else {
            out += bytes[i];
        }
    }
    return QString::fromLocal8Bit(out);
}

}  // namespace

QStringList MountPoints::ofSystem() {
    QStringList found;
    QFile file("/proc/self/mountinfo");
    if (file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        QTextStream in(&file);
        for (QString line = in.readLine(); !line.isNull(); line = in.readLine()) {
            const QStringList fields = line.split(' ');
            const int dash = fields.indexOf("-");
            if (fields.size() < 5 || dash < 0 || dash + 1 >= fields.size()) {
                continue;
            }
            const QString mountPoint = unescape(fields[4]);
            if (!kPseudoTypes.contains(fields[dash + 1]) && !isSystemPlace(mountPoint) &&
                !found.contains(mountPoint)) {
                found << mountPoint;
            }
        }
    }
    if (!found.contains("/")) {
        found << "/";
    }
    std::sort(found.begin(), found.end());
    return found;
}

MountPoints::MountPoints(QStringList mountPoints, QObject* parent)
    : QObject(parent), mountPoints_(std::move(mountPoints)) {}

int MountPoints::driveOf(const QString& path) const {
    int best = -1;
    for (int i = 0; i < mountPoints_.size(); ++i) {
        const QString& m = mountPoints_[i];
        const bool holds = path == m || m == "/" || path.startsWith(m + "/");
        if (holds && (best < 0 || m.size() > mountPoints_[best].size())) {
            best = i;
        }
    }
    return best;
}

QString MountPoints::currentDirectory(int drive) const {
    const auto it = current_.find(drive);
    return it != current_.end() ? it->second : mountPoints_.value(drive);
}

void MountPoints::remember(const QString& path) {
    const int drive = driveOf(path);
    if (drive >= 0) {
        current_[drive] = path;
        emit remembered(drive);
    }
}

}  // namespace morsela
