#include "engine/os/directory.h"

#include <fcntl.h>
#include <unistd.h>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <memory>
#include <utility>

#include "engine/error.h"
#include "engine/os/file_calls.h"

namespace morsela {
namespace {

constexpr int kReadFlags = O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC;

struct DirCloser {
    void operator()(DIR* dir) const { sys::closedir(dir); }
};

}  // namespace

std::string directoryPartOf(const std::string& path) {
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? "" : path.substr(0, slash + 1);
}

std::string fileNameOf(const std::string& path) {
    return path.substr(directoryPartOf(path).size());
}

bool isPlainName(std::string_view name) {
    return !name.empty() && name != "." && name != ".." &&
           name.find_first_of("/\\:") == std::string_view::npos;
}

FileIdentity FileIdentity::of(const struct stat& status) {
    return {status.st_dev, status.st_ino, status.st_size, status.st_ctim};
}

bool FileIdentity::matches(const struct stat& status) const {
    return status.st_dev == device && status.st_ino == inode && status.st_size == size &&
           status.st_ctim.tv_sec == changed.tv_sec && status.st_ctim.tv_nsec == changed.tv_nsec;
}

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
    throw Error::refused(
        path, std::string("is ") + what + "; Morsela reads and writes only regular files there");
}

Directory::Directory(const std::string& path)
    : given_(path), prefix_(path.empty() || path.back() == '/' ? path : path + "/") {
    const std::string opened = path.empty() ? "." : path;
    const int fd = sys::retryInterrupted(
        [&] { return sys::open(opened.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); });
    if (fd < 0) {
        throw Error::ofOutput(opened, errno);
    }
    handle_ = FileHandle(fd, opened);
}

Directory::Directory(FileHandle opened, const std::string& path)
    : given_(path),
      prefix_(path.empty() || path.back() == '/' ? path : path + "/"),
      handle_(std::move(opened)) {}

std::string Directory::pathOf(std::string_view name) const {
    return prefix_ + std::string(name);
}

std::optional<struct stat> Directory::entry(const std::string& name) const {
    struct stat status {};
    if (sys::fstatat(fd(), name.c_str(), &status, AT_SYMLINK_NOFOLLOW) == 0) {
        return status;
    }
    if (errno == ENOENT) {
        return std::nullopt;
    }
    throw Error::ofOutput(pathOf(name), errno);
}

std::optional<struct stat> Directory::target(const std::string& name) const {
    struct stat status {};
    if (sys::fstatat(fd(), name.c_str(), &status, 0) == 0) {
        return status;
    }
    if (errno == ENOENT || errno == ELOOP || errno == ENOTDIR) {
        return std::nullopt;
    }
    throw Error::ofOutput(pathOf(name), errno);
}

bool Directory::foldsCase(const std::string& name) const {
    std::string other = name;
    for (char& c : other) {
        c = std::isupper(static_cast<unsigned char>(c)) ? static_cast<char>(std::tolower(c))
                                                        : static_cast<char>(std::toupper(c));
    }
    const auto original = entry(name);
    const auto swapped = other == name ? std::nullopt : entry(other);
    if (!original || !swapped) {
        return false;
    }
    // Some file systems through FUSE number a file anew for every name it is asked by.
    const bool sameTimes = original->st_mtim.tv_sec == swapped->st_mtim.tv_sec &&
                           original->st_mtim.tv_nsec == swapped->st_mtim.tv_nsec &&
                           original->st_size == swapped->st_size;
    return original->st_ino == swapped->st_ino || sameTimes;
}

void Directory::forEachName(const std::function<void(const std::string&)>& visit) const {
    // Reading through a copy of the descriptor leaves the original open.
    const int copy = sys::dup(fd());
    std::unique_ptr<DIR, DirCloser> stream(copy < 0 ? nullptr : sys::fdopendir(copy));
    if (!stream) {
        const int error = errno;
        if (copy >= 0) {
            sys::close(copy);
        }
        throw Error::ofOutput(path(), error);
    }
    // The copy shares its position with the original: an earlier scan left it at the end.
    ::rewinddir(stream.get());
    while (const dirent* item = sys::readdir(stream.get())) {
        const std::string name = item->d_name;
        if (name != "." && name != "..") {
            visit(name);
        }
    }
    if (errno != 0) {
        throw Error::ofOutput(path(), errno);
    }
}

FileHandle Directory::create(const std::string& name, mode_t mode) const {
    if (const auto existing = entry(name)) {
        refuseUnlessRegular(pathOf(name), *existing);
        remove(name);
    }
    const int fd = sys::retryInterrupted(
        [&] { return sys::openat(this->fd(), name.c_str(), kCreateFlags, mode); });
    if (fd < 0) {
        const int error = errno;
        // A folder this process may write in that refuses a file refuses its name: FAT
        // through FUSE refuses names beyond ASCII so.
        if ((error == EPERM || error == EINVAL || error == EILSEQ) &&
            sys::mayWriteIn(this->fd()) == 0) {
            throw Error::refused(pathOf(name), "the medium refused this name (" +
                                                   std::string(std::strerror(error)) +
                                                   "); rename the file");
        }
        throw failureAt(name, error);
    }
    return FileHandle(fd, pathOf(name));
}

Error Directory::failureAt(const std::string& name, int error) const {
    const bool ofDirectory = error == EACCES || error == EPERM || error == EROFS;
    return Error::ofOutput(ofDirectory ? path() : pathOf(name), error);
}

FileHandle Directory::openRegular(const std::string& name, const std::string& why) const {
    const int fd = sys::openWithoutAccessTime(
        [&](int flags) { return sys::openat(this->fd(), name.c_str(), flags); }, kReadFlags);
    if (fd < 0 && errno == ELOOP) {
        throw Error::refused(pathOf(name), "is a symbolic link; " + why);
    }
    if (fd < 0) {
        throw Error::ofSource(pathOf(name), errno);
    }
    FileHandle file(fd, pathOf(name));
    refuseUnlessRegular(file.path(), statusOf(file));
    return file;
}

void Directory::remove(const std::string& name) const {
    if (sys::unlinkat(fd(), name.c_str()) == 0) {
        ++removals_;
    } else if (errno != ENOENT) {
        throw failureAt(name, errno);
    }
}

bool Directory::renameToFree(const std::string& from, const std::string& to) const {
    if (sys::renameNoReplace(fd(), from.c_str(), to.c_str()) == 0) {
        return true;
    }
    // EINVAL: the file system cannot rename without replacing (FUSE file systems that do not
    // take the flag); a hard link is as atomic about a taken name.
    if (errno == EINVAL) {
        if (sys::linkat(fd(), from.c_str(), to.c_str()) == 0) {
            return true;
        }
        if (errno == EPERM || errno == EOPNOTSUPP) {
            throw Error::refused(pathOf(from),
                                 "cannot be moved to " + to +
                                     " here without the risk of replacing a file of that name: "
                                     "the medium can neither rename without replacing nor link");
        }
    }
    if (errno == EEXIST) {
        return false;
    }
    throw errno == ENOENT ? Error::ofOutput(pathOf(from), errno) : failureAt(to, errno);
}

void Directory::rename(const std::string& from, const std::string& to, bool durable) const {
    if (sys::renameat(fd(), from.c_str(), to.c_str()) != 0) {
        throw Error::ofOutput(pathOf(to), errno);
    }
    // The new name is only safe from a power cut once the directory itself is on disk; a
    // file that may not survive is not left to claim a finished job.
    if (durable && sys::fsync(fd()) != 0 && errno != EINVAL && errno != ENOSYS) {
        const int error = errno;
        sys::unlinkat(fd(), to.c_str());
        throw Error::ofOutput(pathOf(to), error);
    }
}

}  // namespace morsela
