#include "app/mount_points.h"

#include <sys/stat.h>
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
    for (const char* top : {"/proc", "/sys", "/dev", "/run", "/snap", "/var/lib/snapd"}) {
        const QString prefix = top;
        if (mountPoint == prefix || mountPoint.startsWith(prefix + "/")) {
            return !mountPoint.startsWith("/run/media/");  // removable media live there
        }
    }
    return false;
}

// A bind mount of a single file (as containers and sandboxes make for /etc/hosts and the
// like) is no drive: only directories are.
bool isDirectory(const QString& mountPoint) {
    struct stat status {};
    return ::stat(QFile::encodeName(mountPoint).constData(), &status) == 0 &&
           S_ISDIR(status.st_mode);
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
                !found.contains(mountPoint) && isDirectory(mountPoint)) {
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

MountPoints::MountPoints(Source source, QObject* parent)
    : QObject(parent), source_(std::move(source)), mountPoints_(source_()) {}

void MountPoints::refresh() {
    QStringList now = source_();
    if (now == mountPoints_) {
        return;
    }
    mountPoints_ = std::move(now);
    for (auto it = current_.begin(); it != current_.end();) {
        it = mountPoints_.contains(it->first) ? std::next(it) : current_.erase(it);
    }
    emit changed();
}

int MountPoints::driveOf(const QByteArray& path) const {
    int best = -1;
    for (int i = 0; i < mountPoints_.size(); ++i) {
        const QByteArray m = QFile::encodeName(mountPoints_[i]);
        const bool holds = path == m || m == "/" || path.startsWith(m + "/");
        if (holds && (best < 0 || m.size() > QFile::encodeName(mountPoints_[best]).size())) {
            best = i;
        }
    }
    return best;
}

QByteArray MountPoints::currentDirectory(int drive) const {
    const QString mountPoint = mountPoints_.value(drive);
    const auto it = current_.find(mountPoint);
    return it != current_.end() ? it->second : QFile::encodeName(mountPoint);
}

void MountPoints::remember(const QByteArray& path) {
    const int drive = driveOf(path);
    if (drive >= 0) {
        current_[mountPoints_[drive]] = path;
        emit remembered(drive);
    }
}

}  // namespace morsela
