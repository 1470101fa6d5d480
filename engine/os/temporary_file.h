#pragma once

#include <optional>
#include <string>

#include <sys/stat.h>
#include <sys/types.h>

#include "engine/os/directory.h"
#include "engine/os/file_handle.h"

namespace morsela {

// A name for a file being made: hidden, short enough for any file system whatever the final
// name's length, and not to be guessed, so nobody else can put a file under it first.
// `finalPath` names the file in a failure to find random bytes. Throws Error.
std::string unguessableName(const std::string& finalPath);

// A file under a temporary name in a directory: removed when it goes out of scope, unless it
// was renamed into place first. Failures while writing it name the file the user asked for,
// never the temporary name. Until it is renamed only its owner may read or write it, so that
// nobody changes it while it is written and checked; it takes its mode then.
class TemporaryFile {
  public:
    // `mode`: the permission bits it gets when committed, less the umask, as if created so.
    TemporaryFile(const Directory& dir, const std::string& finalName, mode_t mode);
    ~TemporaryFile();
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    const FileHandle& file() const { return file_; }
    // Gives the file the group of the file it is made from, or else keeps its group's
    // permission bits from it (file_owner.h).
    void keepGroupOf(const struct stat& source);
    // Keeps the group's permission bits only when the file's own group, the one the system
    // gives this user's new files here, is `group`; its group is never changed.
    void keepGroupBitsOnlyFor(std::optional<gid_t> group);

    // Closes the file and renames it to its final name; with `durable`, the file and then
    // the directory are flushed to disk first, so a power cut cannot leave the name on a
    // file that is not all there.
    void commit(bool durable);

  private:
    const Directory& dir_;
    std::string finalName_;
    std::string name_;  // the temporary name, empty once committed
    mode_t mode_;
    FileHandle file_;
};

}  // namespace morsela
