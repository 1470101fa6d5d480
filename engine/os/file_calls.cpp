#include "engine/os/file_calls.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <string>

#include "engine/os/call_seam.h"

namespace morsela::sys {

int open(const char* path, int flags, mode_t mode) {
    return seam::callFails() ? -1 : ::open(path, flags, mode);
}

int openat(int dir, const char* name, int flags, mode_t mode) {
    return seam::callFails() ? -1 : ::openat(dir, name, flags, mode);
}

int fstatat(int dir, const char* name, struct stat* status, int flags) {
    return seam::callFails() ? -1 : ::fstatat(dir, name, status, flags);
}

int unlinkat(int dir, const char* name) {
    return seam::callFails() ? -1 : ::unlinkat(dir, name, 0);
}

int renameat(int dir, const char* from, const char* to) {
    return seam::callFails() ? -1 : ::renameat(dir, from, dir, to);
}

int renameNoReplace(int dir, const char* from, const char* to) {
    return seam::callFails() ? -1 : ::renameat2(dir, from, dir, to, RENAME_NOREPLACE);
}

int linkat(int dir, const char* from, const char* to) {
    return seam::callFails() ? -1 : ::linkat(dir, from, dir, to, 0);
}

ssize_t readLink(int fd, char* buffer, size_t size) {
    return seam::callFails() ? -1 : ::readlinkat(fd, "", buffer, size);
}

int fsync(int fd) {
    return seam::callFails() ? -1 : ::fsync(fd);
}

int fdatasync(int fd) {
    return seam::callFails() ? -1 : ::fdatasync(fd);
}

int syncfs(int fd) {
    return seam::callFails() ? -1 : ::syncfs(fd);
}

int syncAll() {
    if (seam::callFails()) {
        return -1;
    }
    ::sync();
    return 0;
}

int dropCached(int fd, off_t offset, off_t length) {
    if (seam::callFails()) {
        return -1;
    }
    errno = ::posix_fadvise(fd, offset, length, POSIX_FADV_DONTNEED);
    return errno == 0 ? 0 : -1;
}

int mayWriteIn(int dir) {
    return seam::callFails() ? -1 : ::faccessat(dir, ".", W_OK, AT_EACCESS);
}

int startWriteBack(int fd, off_t offset, off_t length) {
    return seam::callFails() ? -1 : ::sync_file_range(fd, offset, length, SYNC_FILE_RANGE_WRITE);
}

ssize_t pread(int fd, void* buffer, size_t count, off_t offset) {
    return seam::callFails() ? -1 : ::pread(fd, buffer, count, offset);
}

ssize_t pwrite(int fd, const void* buffer, size_t count, off_t offset) {
    seam::paceTransfer(count);
    return seam::callFails() ? -1 : ::pwrite(fd, buffer, count, offset);
}

ssize_t copyFileRange(int in, off_t* inOffset, int out, off_t* outOffset, size_t count) {
    seam::paceTransfer(count);
    return seam::callFails() ? -1 : ::copy_file_range(in, inOffset, out, outOffset, count, 0);
}

off_t lseek(int fd, off_t offset, int whence) {
    return seam::callFails() ? -1 : ::lseek(fd, offset, whence);
}

int fstat(int fd, struct stat* status) {
    return seam::callFails() ? -1 : ::fstat(fd, status);
}

int fstatfs(int fd, struct statfs* status) {
    return seam::callFails() ? -1 : ::fstatfs(fd, status);
}

int ftruncate(int fd, off_t length) {
    return seam::callFails() ? -1 : ::ftruncate(fd, length);
}

int close(int fd) {
    if (seam::callFails()) {
        const int error = errno;
        ::close(fd);
        errno = error;
        return -1;
    }
    return ::close(fd);
}

long fpathconf(int fd, int name) {
    return seam::callFails() ? -1 : ::fpathconf(fd, name);
}

int fchown(int fd, uid_t owner, gid_t group) {
    return seam::callFails() ? -1 : ::fchown(fd, owner, group);
}

int fchmod(int fd, mode_t mode) {
    return seam::callFails() ? -1 : ::fchmod(fd, mode);
}

bool randomBytes(void* buffer, size_t length) {
    return !seam::callFails() &&
           ::getrandom(buffer, length, GRND_NONBLOCK) == static_cast<ssize_t>(length);
}

uid_t effectiveUser() {
    return ::geteuid();
}

void* loadLibrary(const char* name) {
    return ::dlopen(name, RTLD_NOW | RTLD_LOCAL);
}

void* librarySymbol(void* library, const char* name) {
    return ::dlsym(library, name);
}

const char* libraryError() {
    const char* reason = ::dlerror();
    return reason != nullptr ? reason : "unknown reason";
}

mode_t creationMask() {
    // /proc/self/status tells it without the race of setting it and back (umask(2)).
    std::FILE* status = std::fopen("/proc/self/status", "re");
    unsigned mask = 022;
    if (status != nullptr) {
        char line[256];
        while (std::fgets(line, sizeof line, status) != nullptr) {
            if (std::sscanf(line, "Umask: %o", &mask) == 1) {
                break;
            }
        }
        std::fclose(status);
    }
    return static_cast<mode_t>(mask);
}

int reopen(int fd, int flags) {
    const std::string path = "/proc/self/fd/" + std::to_string(fd);
    return seam::callFails() ? -1 : ::open(path.c_str(), flags);
}

int dup(int fd) {
    return seam::callFails() ? -1 : ::fcntl(fd, F_DUPFD_CLOEXEC, 0);
}

DIR* fdopendir(int fd) {
    return seam::callFails() ? nullptr : ::fdopendir(fd);
}

dirent* readdir(DIR* dir) {
    errno = 0;
    return seam::callFails() ? nullptr : ::readdir(dir);
}

int closedir(DIR* dir) {
    if (seam::callFails()) {
        const int error = errno;
        ::closedir(dir);
        errno = error;
        return -1;
    }
    return ::closedir(dir);
}

void reportFileSizeLimitAsFailure() {
    std::signal(SIGXFSZ, SIG_IGN);
}

}  // namespace morsela::sys
