#include "split/directory.h"

#include <fcntl.h>
#include <unistd.h>
#include <atomic>
#include <cerrno>

#include "split/file_calls.h"
#include "split/split_error.h"

namespace morsela {
namespace {

// O_NONBLOCK: a pipe put under a name must not hang the open; for regular files it has no
// effect. O_NOFOLLOW: a link is never followed (with O_EXCL it could not be anyway).
constexpr int kCreateFlags = O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC;
constexpr int kReadFlags = O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC;

int openAtRetrying(int dir, const std::string& name, int flags, mode_t mode) {
    int fd;
    do {
        fd = sys::openat(dir, name.c_str(), flags, mode);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

}  // namespace

void refuseUnlessRegular(const std::string& path, const struct stat& status) {
    const mode_t type = status.st_mode & S_IFMT;
    if (type == S_IFREG) {
        return;
    }
    const char* what = type == S_IFLNK    ? "a symbolic link"
                       : type == S_IFDIR  ? "a directory"
                       : type == S_IFIFO  ? "a named pipe"
                       : type == S_IFSOCK ? "a socket"
                                          : "a device";
    throw refusal(path + " is " + what + "; Morsela reads and writes only regular files there");
}

Directory::Directory(const std::string& text) : text_(text) {
    const std::string path = text.empty() ? "." : text;
    int fd;
    do {
        fd = sys::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        throw outputError(path, errno);
    }
    handle_ = FileHandle(fd, path);
}

std::optional<struct stat> Directory::entry(const std::string& name) const {
    struct stat status {};
    if (sys::fstatat(fd(), name.c_str(), &status, AT_SYMLINK_NOFOLLOW) == 0) {
        return status;
    }
    if (errno == ENOENT) {
        return std::nullopt;
    }
    throw outputError(pathOf(name), errno);
}

FileHandle Directory::create(const std::string& name, mode_t mode) const {
    if (const auto existing = entry(name)) {
        refuseUnlessRegular(pathOf(name), *existing);
        remove(name);
    }
    const int fd = openAtRetrying(this->fd(), name, kCreateFlags, mode);
    if (fd < 0) {
        throw outputError(pathOf(name), errno);
    }
    return FileHandle(fd, pathOf(name));
}

FileHandle Directory::openRegular(const std::string& name, const std::string& why) const {
    int fd = openAtRetrying(this->fd(), name, kReadFlags | O_NOATIME, 0);
    if (fd < 0 && errno == EPERM) {  // O_NOATIME is only for the file's owner
        fd = openAtRetrying(this->fd(), name, kReadFlags, 0);
    }
    if (fd < 0 && errno == ELOOP) {
        throw refusal(pathOf(name) + " is a symbolic link; " + why);
    }
    if (fd < 0) {
        throw sourceError(pathOf(name), errno);
    }
    FileHandle file(fd, pathOf(name));
    refuseUnlessRegular(file.path(), statusOf(file));
    return file;
}

void Directory::remove(const std::string& name) const {
    if (sys::unlinkat(fd(), name.c_str()) != 0 && errno != ENOENT) {
        throw outputError(pathOf(name), errno);
    }
}

void Directory::rename(const std::string& from, const std::string& to, bool durable) const {
    if (sys::renameat(fd(), from.c_str(), to.c_str()) != 0) {
        throw outputError(pathOf(to), errno);
    }
    // The new name is only safe from a power cut once the directory itself is on disk; a
    // file that may not survive is not left to claim a finished job.
    if (durable && sys::fsync(fd()) != 0 && errno != EINVAL && errno != ENOSYS) {
        const int error = errno;
        ::unlinkat(fd(), to.c_str(), 0);
        throw outputError(pathOf(to), error);
    }
}

TemporaryFile::TemporaryFile(const Directory& dir, const std::string& finalName, mode_t mode)
    : dir_(dir), finalName_(finalName) {
    static std::atomic<unsigned> counter{0};
    for (int attempt = 0;; ++attempt) {
        // Hidden, and short enough for any file system whatever the final name's length.
        name_ =
            ".morsela-" + std::to_string(::getpid()) + "-" + std::to_string(counter++) + ".part";
        const int fd = openAtRetrying(dir.fd(), name_, kCreateFlags, mode);
        if (fd >= 0) {
            // Failures while writing it name the file the user asked for, not this name.
            file_ = FileHandle(fd, dir.pathOf(finalName));
            return;
        }
        if (errno != EEXIST || attempt > 100) {
            throw outputError(dir.pathOf(finalName), errno);
        }
    }
}

TemporaryFile::~TemporaryFile() {
    if (!name_.empty()) {
        file_.close();
        ::unlinkat(dir_.fd(), name_.c_str(), 0);
    }
}

void TemporaryFile::commit(bool durable) {
    // Failures are reported under the final name: that is the file the user asked for.
    if (durable && sys::fsync(file_.fd()) != 0 && errno != EINVAL) {
        throw outputError(dir_.pathOf(finalName_), errno);
    }
    if (const int error = file_.close(); error != 0) {
        throw outputError(dir_.pathOf(finalName_), error);
    }
    dir_.rename(name_, finalName_, durable);
    name_.clear();
}

}  // namespace morsela
