#pragma once

#include <optional>
#include <string>
#include <string_view>

#include <sys/stat.h>

#include "split/file_handle.h"

namespace morsela {

// A directory that the split writes into or the join reads from, opened once and used by
// its descriptor from then on: swapping the directory for a link meanwhile changes nothing,
// and the length of its path no longer matters. Nothing is ever written through a link: new
// files are created with O_EXCL, and names are looked at without following links.
//
// Every other user may write to such a directory, so what stands under a name is checked
// right before it is used, and only regular files are ever replaced.
class Directory {
  public:
    // Opens the directory named by `text`, a path ending in "/" or empty for the current
    // directory. A link given as the directory itself is followed: the user named it.
    explicit Directory(const std::string& text);

    int fd() const { return handle_.fd(); }
    // The directory as shown in messages, ending in "/" (or empty for the current one).
    const std::string& text() const { return text_; }
    std::string pathOf(std::string_view name) const { return text_ + std::string(name); }

    // What stands under `name`, the name itself and not where a link points; nothing when
    // the name is free.
    std::optional<struct stat> entry(const std::string& name) const;

    // A new, empty regular file under `name`, created with the permission bits `mode` (less
    // the umask). An existing regular file of that name is removed first, so that no other
    // name of it (a hard link) is touched; a link, pipe, device or directory under the name
    // is refused, naming it. Opening never blocks.
    FileHandle create(const std::string& name, mode_t mode) const;

    // Opens a regular file for reading without following a link, and without blocking on a
    // pipe. A link is refused, naming it with `why`.
    FileHandle openRegular(const std::string& name, const std::string& why) const;

    // Removes a regular file; a free name is no failure.
    void remove(const std::string& name) const;

    // Renames `from` to `to`, replacing what stood under `to`; with `durable`, the directory
    // is flushed to disk too, so that the new name survives a power cut.
    void rename(const std::string& from, const std::string& to, bool durable) const;

  private:
    std::string text_;
    FileHandle handle_;
};

// Refuses anything but a regular file standing under `name`, with a reason that names it.
void refuseUnlessRegular(const std::string& path, const struct stat& status);

// A file under a temporary name in a directory: removed when it goes out of scope, unless it
// was renamed into place first.
class TemporaryFile {
  public:
    TemporaryFile(const Directory& dir, const std::string& finalName, mode_t mode);
    ~TemporaryFile();
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    const FileHandle& file() const { return file_; }

    // Closes the file and renames it to its final name; with `durable`, the file and then
    // the directory are flushed to disk first, so a power cut cannot leave the name on a
    // file that is not all there.
    void commit(bool durable);

  private:
    const Directory& dir_;
    std::string finalName_;
    std::string name_;  // the temporary name, empty once committed
    FileHandle file_;
};

}  // namespace morsela
