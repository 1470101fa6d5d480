#include "engine/os/file_calls.h"

#include <fcntl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <string>
#include <thread>

namespace morsela::sys {
namespace {

std::atomic<long> calls{0};
std::atomic<double> slowMedium{0};
std::atomic<long> failingCall{0};
std::atomic<int> failingError{0};

// True when this call is the one a test asked to fail; errno is then set.
bool failsNow() {
    const long n = ++calls;
    if (n == failingCall.load(std::memory_order_relaxed)) {
        errno = failingError.load(std::memory_order_relaxed);
        return true;
    }
    return false;
}

// Waits as long as a slow medium would take for `length` bytes, when one is simulated.
void takeTimeFor(std::size_t length) {
    const double rate = slowMedium.load(std::memory_order_relaxed);
    if (rate > 0) {
        std::this_thread::sleep_for(std::chrono::duration<double>(length / rate));
    }
}

}  // namespace

int open(const char* path, int flags, mode_t mode) {
    return failsNow() ? -1 : ::open(path, flags, mode);
}

int openat(int dir, const char* name, int flags, mode_t mode) {
    return failsNow() ? -1 : ::openat(dir, name, flags, mode);
}

int fstatat(int dir, const char* name, struct stat* status, int flags) {
    return failsNow() ? -1 : ::fstatat(dir, name, status, flags);
}

int unlinkat(int dir, const char* name) {
    return failsNow() ? -1 : ::unlinkat(dir, name, 0);
}

int renameat(int dir, const char* from, const char* to) {
    return failsNow() ? -1 : ::renameat(dir, from, dir, to);
}

int fsync(int fd) {
    return failsNow() ? -1 : ::fsync(fd);
}

int fdatasync(int fd) {
    return failsNow() ? -1 : ::fdatasync(fd);
}

int syncfs(int fd) {
    return failsNow() ? -1 : ::syncfs(fd);
}

int syncAll() {
    if (failsNow()) {
        return -1;
    }
    ::sync();
    return 0;
}

int dropCached(int fd, off_t offset, off_t length) {
    if (failsNow()) {
        return -1;
    }
    errno = ::posix_fadvise(fd, offset, length, POSIX_FADV_DONTNEED);
    return errno == 0 ? 0 : -1;
}

int mayWriteIn(int dir) {
    return failsNow() ? -1 : ::faccessat(dir, ".", W_OK, AT_EACCESS);
}

int startWriteBack(int fd, off_t offset, off_t length) {
    return failsNow() ? -1 : ::sync_file_range(fd, offset, length, SYNC_FILE_RANGE_WRITE);
}

ssize_t pread(int fd, void* buffer, size_t count, off_t offset) {
    return failsNow() ? -1 : ::pread(fd, buffer, count, offset);
}

ssize_t pwrite(int fd, const void* buffer, size_t count, off_t offset) {
    takeTimeFor(count);
    return failsNow() ? -1 : ::pwrite(fd, buffer, count, offset);
}

ssize_t copyFileRange(int in, off_t* inOffset, int out, off_t* outOffset, size_t count) {
    takeTimeFor(count);
    return failsNow() ? -1 : ::copy_file_range(in, inOffset, out, outOffset, count, 0);
}

off_t lseek(int fd, off_t offset, int whence) {
    return failsNow() ? -1 : ::lseek(fd, offset, whence);
}

int fstat(int fd, struct stat* status) {
    return failsNow() ? -1 : ::fstat(fd, status);
}

int fstatfs(int fd, struct statfs* status) {
    return failsNow() ? -1 : ::fstatfs(fd, status);
}

int ftruncate(int fd, off_t length) {
    return failsNow() ? -1 : ::ftruncate(fd, length);
}

int close(int fd) {
    if (failsNow()) {
        const int error = errno;
        ::close(fd);
        errno = error;
        return -1;
    }
    return ::close(fd);
}

long fpathconf(int fd, int name) {
    return failsNow() ? -1 : ::fpathconf(fd, name);
}

int fchown(int fd, uid_t owner, gid_t group) {
    return failsNow() ? -1 : ::fchown(fd, owner, group);
}

int fchmod(int fd, mode_t mode) {
    return failsNow() ? -1 : ::fchmod(fd, mode);
}

bool randomBytes(void* buffer, size_t length) {
    return !failsNow() &&
           ::getrandom(buffer, length, GRND_NONBLOCK) == static_cast<ssize_t>(length);
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
    return failsNow() ? -1 : ::open(path.c_str(), flags);
}

int dup(int fd) {
    return failsNow() ? -1 : ::fcntl(fd, F_DUPFD_CLOEXEC, 0);
}

DIR* fdopendir(int fd) {
    return failsNow() ? nullptr : ::fdopendir(fd);
}

dirent* readdir(DIR* dir) {
    errno = 0;
    return failsNow() ? nullptr : ::readdir(dir);
}

int closedir(DIR* dir) {
    if (failsNow()) {
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

void injectFault(long callNumber, int error) {
    failingError = error;
    failingCall = callNumber;
    calls = 0;
}

long callsSinceInjection() {
    return calls.load();
}

void simulateSlowMedium(double bytesPerSecond) {
    slowMedium = bytesPerSecond;
}

}  // namespace morsela::sys
