#pragma once

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <sys/vfs.h>
#include <cerrno>

// Every call the engine makes on the system goes through these few functions, so that a test
// can make any one of them fail and see that the failure is reported and cleaned up after
// (fault_hooks.h, linked into the tests only).
namespace morsela::sys {

int open(const char* path, int flags, mode_t mode = 0);
int openat(int dir, const char* name, int flags, mode_t mode = 0);
// With flags 0 a link is followed; with AT_SYMLINK_NOFOLLOW the name itself is looked at.
int fstatat(int dir, const char* name, struct stat* status, int flags);
int unlinkat(int dir, const char* name);
int renameat(int dir, const char* from, const char* to);
// Renames `from` to `to` only while `to` is free (renameat2 RENAME_NOREPLACE): EEXIST when
// it is taken, EINVAL where the file system cannot rename so.
int renameNoReplace(int dir, const char* from, const char* to);
// A second name `to` for the file `from`, never following a link; EEXIST when `to` is taken.
int linkat(int dir, const char* from, const char* to);
// The text of the symbolic link that `fd` (opened with O_PATH | O_NOFOLLOW) is; the length
// written, without a terminating zero.
ssize_t readLink(int fd, char* buffer, size_t size);
int fsync(int fd);
int fdatasync(int fd);
// Writes everything of the file system that holds `fd` to the medium, and waits for it.
int syncfs(int fd);
// Flushes every file system and device of the machine (sync(2)); it cannot fail.
int syncAll();
// Drops the clean cached pages of a range, so that the next read asks the file system.
int dropCached(int fd, off_t offset, off_t length);
// Whether this process may create files in the directory `dir` (faccessat W_OK).
int mayWriteIn(int dir);
// Starts writing the range to the medium without waiting for it (sync_file_range).
int startWriteBack(int fd, off_t offset, off_t length);
ssize_t pread(int fd, void* buffer, size_t count, off_t offset);
ssize_t pwrite(int fd, const void* buffer, size_t count, off_t offset);
ssize_t copyFileRange(int in, off_t* inOffset, int out, off_t* outOffset, size_t count);
off_t lseek(int fd, off_t offset, int whence);
int fstat(int fd, struct stat* status);
int fstatfs(int fd, struct statfs* status);
int ftruncate(int fd, off_t length);
int close(int fd);
long fpathconf(int fd, int name);
int fchown(int fd, uid_t owner, gid_t group);
int fchmod(int fd, mode_t mode);
// Fills `buffer` with random bytes from the kernel; false when it has none to give.
bool randomBytes(void* buffer, size_t length);
// The user whose rights this process has (geteuid); it cannot fail.
uid_t effectiveUser();
// Loads a shared library and binds its functions (dlopen, dlsym): nullptr on a failure,
// which libraryError() then describes. A library is loaded once per process, so these are
// not counted among the calls that a test fails in turn.
void* loadLibrary(const char* name);
void* librarySymbol(void* library, const char* name);
const char* libraryError();
// The process's file mode creation mask, read without changing it.
mode_t creationMask();
// A new descriptor of the same open file, closed on exec.
int dup(int fd);
// Opens the file of `fd` anew, as a description of its own (through /proc/self/fd): what is
// done through it does not move the other's place in the file system's program.
int reopen(int fd, int flags);
DIR* fdopendir(int fd);
// The next entry, or nullptr at the end (errno 0) or on a failure (errno set).
dirent* readdir(DIR* dir);
int closedir(DIR* dir);

// Calls `call` again for as long as it fails with EINTR, and returns what it last gave.
template <typename Call>
auto retryInterrupted(Call call) {
    auto result = call();
    while (result < 0 && errno == EINTR) {
        result = call();
    }
    return result;
}

// Opens for reading without changing the file's access time where the system allows:
// `open(flags)` is called with O_NOATIME first, which only the file's owner may use, and
// again without it when that is refused.
template <typename Open>
int openWithoutAccessTime(Open open, int flags) {
    const int fd = retryInterrupted([&] { return open(flags | O_NOATIME); });
    if (fd < 0 && errno == EPERM) {
        return retryInterrupted([&] { return open(flags); });
    }
    return fd;
}

// Makes a write past the file size limit fail with EFBIG, reported as a full disk, instead
// of ending the program with SIGXFSZ. Every program of Morsela calls it first.
void reportFileSizeLimitAsFailure();

}  // namespace morsela::sys
