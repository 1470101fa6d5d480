#include "app/controls/mount_points.h"

#include <sys/stat.h>
#include <QFile>
#include <QSet>
#include <algorithm>

namespace morsela {
namespace {

// File system types that hold no files of the user's.
const QSet<QByteArray> kPseudoTypes = {
    "autofs",  "binfmt_misc", "bpf",      "cgroup",   "cgroup2",         "configfs",
    "debugfs", "devpts",      "devtmpfs", "efivarfs", "fusectl",         "hugetlbfs",
    "mqueue",  "nsfs",        "proc",     "pstore",   "rpc_pipefs",      "securityfs",
    "sysfs",   "tracefs",     "ramfs",    "squashfs", "fuse.gvfsd-fuse", "fuse.portal"};

bool isSystemPlace(const QByteArray& mountPoint) {
    for (const QByteArray top : {"/proc", "/sys", "/dev", "/run", "/snap", "/var/lib/snapd"}) {
        if (mountPoint == top || mountPoint.startsWith(top + "/")) {
            return !mountPoint.startsWith("/run/media/");  // removable media live there
        }
    }
    return false;
}

// A bind mount of a single file (as containers and sandboxes make for /etc/hosts and the
// like) is no drive: only directories are.
bool isDirectory(const QByteArray& mountPoint) {
    struct stat status {};
    return ::stat(mountPoint.constData(), &status) == 0 && S_ISDIR(status.st_mode);
}

// Mount points in /proc/self/mountinfo escape blanks and the like as octal "\040".
QByteArray unescape(const QByteArray& field) {
    QByteArray out;
    for (int i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size()) {
            out += static_cast<char>(field.mid(i + 1, 3).toInt(nullptr, 8));
            i += 3;
        } else {
            out += field[i];
        }
    }
    return out;
}

}  // namespace

QList<NativePath> MountPoints::ofSystem() {
    QList<NativePath> found;
    QFile file("/proc/self/mountinfo");
    if (file.open(QIODevice::ReadOnly)) {
        for (QByteArray line = file.readLine(); !line.isEmpty(); line = file.readLine()) {
            const QList<QByteArray> fields = line.trimmed().split(' ');
            const auto dash = fields.indexOf("-");
            if (fields.size() < 5 || dash < 0 || dash + 1 >= fields.size()) {
                continue;
            }
            const NativePath mountPoint(unescape(fields[4]));
            if (!kPseudoTypes.contains(fields[dash + 1]) && !isSystemPlace(mountPoint.bytes()) &&
                !found.contains(mountPoint) && isDirectory(mountPoint.bytes())) {
                found << mountPoint;
            }
        }
    }
    if (!found.contains(NativePath(QByteArray("/")))) {
        found << NativePath(QByteArray("/"));
    }
    std::sort(found.begin(), found.end());
    return found;
}

MountPoints::MountPoints(Source source, QObject* parent)
    : QObject(parent), source_(std::move(source)), mountPoints_(source_()) {}

void MountPoints::refresh() {
    QList<NativePath> now = source_();
    if (now == mountPoints_) {
        return;
    }
    mountPoints_ = std::move(now);
    for (auto it = current_.begin(); it != current_.end();) {
        it = mountPoints_.contains(it->first) ? std::next(it) : current_.erase(it);
    }
    emit changed();
}

int MountPoints::driveOf(const NativePath& path) const {
    int best = -1;
    for (int i = 0; i < mountPoints_.size(); ++i) {
        const QByteArray& m = mountPoints_[i].bytes();
        const bool holds = path.bytes() == m || m == "/" || path.bytes().startsWith(m + "/");
        if (holds && (best < 0 || m.size() > mountPoints_[best].bytes().size())) {
            best = i;
        }
    }
    return best;
}

NativePath MountPoints::currentDirectory(int drive) const {
    const NativePath mountPoint = mountPoints_.value(drive);
    const auto it = current_.find(mountPoint);
    return it != current_.end() ? it->second : mountPoint;
}

void MountPoints::remember(const NativePath& path) {
    const int drive = driveOf(path);
    if (drive >= 0) {
        current_[mountPoints_[drive]] = path;
        emit remembered(drive);
    }
}

}  // namespace morsela
