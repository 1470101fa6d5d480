#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <sys/stat.h>

#include "engine/os/file_handle.h"

namespace morsela {

// Pieces rebuilt for one join alone, when the folder of the pieces cannot be written: files
// without a name, held open, that the join reads in place of the pieces of those names. What
// stands in the folder under those names (a damaged piece, or nothing) is left as it is.
class StandIns {
  public:
    // `file` is read for the piece `name` from now on.
    void add(const std::string& name, FileHandle file);
    bool empty() const { return files_.empty(); }
    bool has(std::string_view name) const { return find(name) != nullptr; }
    // The names stood in for, in the order they were added.
    std::vector<std::string> names() const;

    // The status of the file that stands in for `name`; nothing when none does. Throws Error.
    std::optional<struct stat> statusOf(std::string_view name) const;
    // A descriptor of its own of the file that stands in for `name`, named `path` in
    // failures; it must be one. Throws Error.
    FileHandle open(std::string_view name, const std::string& path) const;

  private:
    const FileHandle* find(std::string_view name) const;

    std::vector<std::pair<std::string, FileHandle>> files_;
};

}  // namespace morsela
