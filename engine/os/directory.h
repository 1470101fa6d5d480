#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include <fcntl.h>
#include <sys/stat.h>

#include "engine/error.h"
#include "engine/os/file_handle.h"

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
    // Opens the directory at `path`, empty for the current directory. A link given as the
    // directory itself is followed: the user named it.
    explicit Directory(const std::string& path);
    // The directory that `opened` holds open already (opened as a directory for reading),
    // named `path` in messages as the constructor above names it.
    Directory(FileHandle opened, const std::string& path);

    int fd() const { return handle_.fd(); }
    // The directory as the user gave it, "." for the current one.
    const std::string& path() const { return handle_.path(); }
    // The directory as the user gave it, empty for the current one: what notices name.
    const std::string& given() const { return given_; }
    // The path of a file in the directory, as messages name it: the name alone in the
    // current directory.
    std::string pathOf(std::string_view name) const;

    // What stands under `name`, the name itself and not where a link points; nothing when
    // the name is free.
    std::optional<struct stat> entry(const std::string& name) const;
    // What `name` leads to, following a link; nothing when it leads nowhere.
    std::optional<struct stat> target(const std::string& name) const;

    // Whether the directory's file system takes names that differ in letter case for one
    // name, as FAT and exFAT do; asked of an entry `name` that exists.
    bool foldsCase(const std::string& name) const;

    // Calls `visit` with every name in the directory but "." and "..", in no set order.
    void forEachName(const std::function<void(const std::string&)>& visit) const;

    // A new, empty regular file under `name`, created with the permission bits `mode` (less
    // the umask). An existing regular file of that name is removed first, so that no other
    // name of it (a hard link) is touched; a link, pipe, device or directory under the name
    // is refused, naming it. Opening never blocks.
    FileHandle create(const std::string& name, mode_t mode) const;

    // Opens a regular file for reading without following a link, and without blocking on a
    // pipe. A link is refused, naming it with `why`.
    FileHandle openRegular(const std::string& name, const std::string& why) const;

    // The failure to create or remove `name` here: one of the directory itself (no
    // permission to write in it, a read-only medium) names the directory, any other the file.
    Error failureAt(const std::string& name, int error) const;

    // Removes a regular file; a free name is no failure.
    void remove(const std::string& name) const;
    // How many files remove() removed here.
    std::int64_t removals() const { return removals_; }

    // Renames `from` to `to` while `to` is free, and never replaces what stands there; false
    // when `to` is taken. Where the file system cannot rename so, `to` is made a second name
    // of the file instead (a hard link, which never replaces either) and `from` stays, to
    // be renamed over by whatever takes its place; where it has no hard links either, that
    // is refused. Throws Error.
    bool renameToFree(const std::string& from, const std::string& to) const;

    // Renames `from` to `to`, replacing what stood under `to`; with `durable`, the directory
    // is flushed to disk too, so that the new name survives a power cut.
    void rename(const std::string& from, const std::string& to, bool durable) const;

  private:
    std::string given_;
    std::string prefix_;  // put in front of names in messages
    FileHandle handle_;
    mutable std::int64_t removals_ = 0;
};

// The directory part of a path, ending in "/", or empty for a bare name; and what follows
// it, the file's name.
std::string directoryPartOf(const std::string& path);
std::string fileNameOf(const std::string& path);

// Whether `name` is a plain name of a file in the directory at hand: not empty, not "." or
// "..", and without "/", nor "\" or ":" (a directory part and a drive to the command
// interpreter). Every name that a script, a checksum file or a listing hands to a split or a
// join is taken only when it is plain.
bool isPlainName(std::string_view name);

// A file as it was looked at: what a name holds later is still that file only when its
// device, inode, size and change time all agree, so that an inode number freed and given to
// a new file does not pass for the old one.
struct FileIdentity {
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    struct timespec changed {};

    static FileIdentity of(const struct stat& status);
    bool matches(const struct stat& status) const;
};

// Refuses anything but a regular file standing at `path`, with a reason that names it.
void refuseUnlessRegular(const std::string& path, const struct stat& status);

// O_NONBLOCK: a pipe put under a name must not hang the open; for regular files it has no
// effect. O_NOFOLLOW: a link is never followed (with O_EXCL it could not be anyway). Read
// and write: what is written may be read back for its checksum.
inline constexpr int kCreateFlags = O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC;

}  // namespace morsela
