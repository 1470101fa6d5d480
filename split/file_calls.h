#pragma once

#include <sys/stat.h>
#include <sys/types.h>

// Every call the engine makes on files goes through these few functions, so that a test can
// make any one of them fail and see that the failure is reported and cleaned up after.
namespace morsela::sys {

int open(const char* path, int flags, mode_t mode = 0);
int openat(int dir, const char* name, int flags, mode_t mode = 0);
int fstatat(int dir, const char* name, struct stat* status, int flags);
int unlinkat(int dir, const char* name);
int renameat(int dir, const char* from, const char* to);
int fsync(int fd);
ssize_t pread(int fd, void* buffer, size_t count, off_t offset);
ssize_t pwrite(int fd, const void* buffer, size_t count, off_t offset);
ssize_t copyFileRange(int in, off_t* inOffset, int out, off_t* outOffset, size_t count);
off_t lseek(int fd, off_t offset, int whence);
int fstat(int fd, struct stat* status);
int ftruncate(int fd, off_t length);
int close(int fd);

// Makes a write past the file size limit fail with EFBIG, reported as "Disk Full", instead
// of ending the program with SIGXFSZ. Every program of Morsela calls it first.
void reportFileSizeLimitAsFailure();

// Makes the n-th call from now (counted from 1) fail with the given errno; 0 clears it.
// A failed close still releases its descriptor, as close does on Linux.
void injectFault(long callNumber, int error);
// How many calls have been made since the last injectFault.
long callsSinceInjection();

}  // namespace morsela::sys
