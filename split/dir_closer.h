#pragma once

#include <dirent.h>

namespace morsela {

// Closes a directory stream when it goes out of scope: std::unique_ptr<DIR, DirCloser>.
struct DirCloser {
    void operator()(DIR* dir) const { ::closedir(dir); }
};

}  // namespace morsela
