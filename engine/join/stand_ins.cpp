#include "engine/join/stand_ins.h"

#include <cerrno>

#include "engine/error.h"
#include "engine/os/file_calls.h"

namespace morsela {

void StandIns::add(const std::string& name, FileHandle file) {
    files_.emplace_back(name, std::move(file));
}

std::vector<std::string> StandIns::names() const {
    std::vector<std::string> names;
    for (const auto& [name, file] : files_) {
        names.push_back(name);
    }
    return names;
}

const FileHandle* StandIns::find(std::string_view name) const {
    for (const auto& [standsFor, file] : files_) {
        if (standsFor == name) {
            return &file;
        }
    }
    return nullptr;
}

std::optional<struct stat> StandIns::statusOf(std::string_view name) const {
    const FileHandle* file = find(name);
    if (file == nullptr) {
        return std::nullopt;
    }
    return morsela::statusOf(*file);
}

FileHandle StandIns::open(std::string_view name, const std::string& path) const {
    const FileHandle* file = find(name);
    if (file == nullptr) {
        throw Error::ofSource(path, ENOENT);
    }
    // Reads are made at explicit positions, so a second descriptor of the same open file
    // serves, and the stand-in outlives the reader's handle.
    const int fd = sys::dup(file->fd());
    if (fd < 0) {
        throw Error::ofSource(path, errno);
    }
    return FileHandle(fd, path);
}

}  // namespace morsela
