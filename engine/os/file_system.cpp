#include "engine/os/file_system.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/vfs.h>
#include <unistd.h>
#include <cerrno>
#include <cstdint>
#include <string>

#include "engine/error.h"
#include "engine/os/directory.h"
#include "engine/os/file_calls.h"
#include "engine/os/file_handle.h"

namespace morsela {
namespace {

constexpr long kFuseMagic = 0x65735546;
constexpr long kMsdosMagic = 0x4d44;
constexpr long kExfatMagic = 0x2011BAB0;
constexpr long kNtfsMagic = 0x5346544e;
constexpr long kNtfs3Magic = 0x7366746e;
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

// The type of the FUSE mount that holds `dir`, as /proc/self/mountinfo names it.
std::string fuseType(const Directory& dir) {
    struct stat status {};
    if (sys::fstat(dir.fd(), &status) != 0) {
        throw Error::ofOutput(dir.path(), errno);
    }
    return mountType(status.st_dev);
}

// Whether the file system counts a name in UTF-16 units, as Windows' file systems do.
bool countsInUtf16(const Directory& dir, long type) {
    if (type == kMsdosMagic || type == kExfatMagic || type == kNtfsMagic || type == kNtfs3Magic) {
        return true;
    }
    if (type != kFuseMagic) {
        return false;
    }
    // Block devices through FUSE are sticks and disks of Windows' file systems (exFAT, NTFS).
    const std::string mount = fuseType(dir);
    return mount == "fuseblk" || mount == "fuse.fusefat" || mount == "fuse.vfat" ||
           mount == "fuse.exfat" || mount == "fuse.ntfs-3g";
}

// The UTF-16 units of a UTF-8 name: one per character, two from U+10000 on (a 4-byte
// sequence). A byte that starts no character counts as one.
std::int64_t utf16Length(std::string_view name) {
    std::int64_t units = 0;
    for (const char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        units += (byte & 0xC0) != 0x80 ? 1 : 0;
        units += byte >= 0xF0 ? 1 : 0;
    }
    return units;
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
        const std::string type = fuseType(dir);
        return type == "fuse.fusefat" || type == "fuse.vfat" ? kFatLargest : INT64_MAX;
    }
    const long bits = sys::fpathconf(dir.fd(), _PC_FILESIZEBITS);
    return bits > 0 && bits < 64 ? (std::int64_t{1} << (bits - 1)) * 2 - 1 : INT64_MAX;
}

bool isFuse(const Directory& dir) {
    struct statfs system {};
    return sys::fstatfs(dir.fd(), &system) == 0 && system.f_type == kFuseMagic;
}

bool isFuseFile(const FileHandle& file) {
    struct statfs system {};
    return sys::fstatfs(file.fd(), &system) == 0 && system.f_type == kFuseMagic;
}

void flushMedium(const Directory& dir) {
    const bool fuse = isFuse(dir);
    // fuseblk: the kernel holds the device, and flushing the file system flushes it too.
    const bool deviceKnown = !fuse || fuseType(dir) == "fuseblk";
    if ((deviceKnown ? sys::syncfs(dir.fd()) : sys::syncAll()) != 0) {
        throw Error::ofOutput(dir.path(), errno);
    }
}

std::string nameLengthRefusal(const Directory& dir, std::string_view name) {
    struct statfs system {};
    if (sys::fstatfs(dir.fd(), &system) != 0) {
        throw Error::ofOutput(dir.path(), errno);
    }
    const bool utf16 = countsInUtf16(dir, static_cast<long>(system.f_type));
    // Windows' file systems take 255 units whatever the kernel's driver reports in bytes.
    const long most = utf16 ? 255 : sys::fpathconf(dir.fd(), _PC_NAME_MAX);
    const std::int64_t length = utf16 ? utf16Length(name) : static_cast<std::int64_t>(name.size());
    if (most <= 0 || length <= most) {
        return "";
    }
    return "a name longer than file names may be here (" + std::to_string(length) + " " +
           (utf16 ? "characters" : "bytes") + ", at most " + std::to_string(most) +
           "); rename the file shorter";
}

}  // namespace morsela
