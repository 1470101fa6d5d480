#pragma once

#include <string>

#include <sys/types.h>

#include "split/os/directory.h"
#include "split/os/file_handle.h"

namespace morsela {

// A file under a temporary name in a directory: removed when it goes out of scope, unless it
// was renamed into place first. Failures while writing it name the file the user asked for,
// never the temporary name.
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
