// Preloaded into the morsela binary by the tests that interrupt it: every in-kernel copy and
// every write waits 30 ms first, so that a signal surely arrives mid-split.
#include <dlfcn.h>
#include <time.h>
#include <unistd.h>

namespace {

void slowDown() {
    const timespec wait{0, 30 * 1000 * 1000};
    nanosleep(&wait, nullptr);
}

}  // namespace

extern "C" ssize_t copy_file_range(int in, off_t* inOffset, int out, off_t* outOffset,
                                   size_t length, unsigned flags) {
    using Real = ssize_t (*)(int, off_t*, int, off_t*, size_t, unsigned);
    static const auto real = reinterpret_cast<Real>(dlsym(RTLD_NEXT, "copy_file_range"));
    slowDown();
    return real(in, inOffset, out, outOffset, length, flags);
}

extern "C" ssize_t pwrite64(int fd, const void* buffer, size_t count, off_t offset) {
    using Real = ssize_t (*)(int, const void*, size_t, off_t);
    static const auto real = reinterpret_cast<Real>(dlsym(RTLD_NEXT, "pwrite64"));
    slowDown();
    return real(fd, buffer, count, offset);
}
