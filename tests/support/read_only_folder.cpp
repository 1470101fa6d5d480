#include "tests/support/read_only_folder.h"

#include <sys/mount.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "tests/support/temp_dir.h"

namespace morsela::test {

namespace fs = std::filesystem;

ReadOnlyFolder::ReadOnlyFolder(fs::path dir) : dir_(std::move(dir)) {
    fs::create_directory(dir_);
    if (::geteuid() == 0) {
        mounted_ = ::mount("tmpfs", dir_.c_str(), "tmpfs", 0, "size=32m") == 0;
        if (!mounted_) {
            reason_ = std::string("cannot mount a tmpfs: ") + std::strerror(errno);
        }
    }
}

ReadOnlyFolder::~ReadOnlyFolder() {
    if (mounted_) {
        ::umount(dir_.c_str());
    } else {
        std::error_code ignored;
        fs::permissions(dir_, fs::perms::owner_write, fs::perm_options::add, ignored);
    }
}

bool ReadOnlyFolder::seal() {
    ::sync();
    if (mounted_) {
        return ::mount(nullptr, dir_.c_str(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr) == 0;
    }
    fs::permissions(dir_, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                    fs::perm_options::remove);
    return ::access(dir_.c_str(), W_OK) != 0;
}

std::map<std::string, std::string> contentsOf(const fs::path& dir) {
    std::map<std::string, std::string> contents;
    for (const std::string& name : namesIn(dir)) {
        contents[name] = fs::is_regular_file(dir / name) ? readFile((dir / name).string()) : "";
    }
    return contents;
}

}  // namespace morsela::test
