#include "split/os/file_system.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/vfs.h>
#include <unistd.h>
#include <cerrno>
#include <cstdint>
#include <string>

#include "split/error.h"
#include "split/os/directory.h"
#include "split/os/file_calls.h"
#include "split/os/file_handle.h"

namespace morsela {
namespace {

constexpr long kFuseMagic = 0x65735546;
constexpr long kMsdosMagic = 0x4d44;
constexpr std::int64_t kFatLargest = (std::int64_t{1} << 32) - 1;

// The type of the mount that holds the device `device`, from /proc/self/mountinfo ("" when
// it cannot be read): the field after " - " on the line whose third field is major:minor.
std::string mountType(dev_t device) {
    const int fd = sys::retryInterrupted(
        [] { return sys::open("/proc/self/mountinfo", O_RDONLY | O_CLOEXEC); });
    if (fd < 0) {
        return "";
    }
    const FileHandle file(fd, "/proc/self/mountinfo");
    std::string text;
    char buffer[65536];
    for (std::int64_t n = 1; n > 0;) {
        n = readAt(file, buffer, sizeof buffer, static_cast<std::int64_t>(text.size()));
        text.append(buffer, static_cast<std::size_t>(n));
    }
    const std::string wanted =
        " " + std::to_string(major(device)) + ":" + std::to_string(minor(device)) + " ";
    for (std::size_t pos = 0; pos < text.size();) {
        const std::size_t end = std::min(text.find('\n', pos), text.size());
        const std::string line = text.substr(pos, end - pos);
        pos = end + 1;
        const std::size_t id = line.find(wanted);
        const std::size_t dash = line.find(" - ");
        if (id != std::string::npos && id < dash && dash != std::string::npos) {
            const std::size_t start = dash + 3;
            return line.substr(start, line.find(' ', start) - start);
        }
    }
    return "";
}

}  // namespace

std::int64_t largestFileOn(const Directory& dir) {
    struct statfs system {};
    if (sys::fstatfs(dir.fd(), &system) != 0) {
        throw Error::ofOutput(dir.path(), errno);
    }
    if (system.f_type == kMsdosMagic) {
        return kFatLargest;
    }
    if (system.f_type == kFuseMagic) {
        struct stat status {};
        if (sys::fstat(dir.fd(), &status) != 0) {
            throw Error::ofOutput(dir.path(), errno);
        }
        const std::string type = mountType(status.st_dev);
        return type == "fuse.fusefat" || type == "fuse.vfat" ? kFatLargest : INT64_MAX;
    }
    const long bits = sys::fpathconf(dir.fd(), _PC_FILESIZEBITS);
    return bits > 0 && bits < 64 ? (std::int64_t{1} << (bits - 1)) * 2 - 1 : INT64_MAX;
}

bool isFuse(const Directory& dir) {
    struct statfs system {};
    return sys::fstatfs(dir.fd(), &system) == 0 && system.f_type == kFuseMagic;
}

}  // namespace morsela
