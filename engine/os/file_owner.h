#pragma once

#include <sys/stat.h>

#include "engine/os/file_handle.h"

namespace morsela {

// Gives a newly made file the group of the file it was made from, where the user may. False
// when its group stays another (a setgid directory hands its own group to new files): then
// its group permission bits must go, so that no group the source's owner did not choose can
// read it. Throws Error.
bool takeGroupOf(const FileHandle& made, const struct stat& source);

// The same for a file made with its final permission bits: they lose the group's bits when
// the group cannot be the source's.
void keepGroupOf(const FileHandle& made, const struct stat& source);

// Gives a file these permission bits, where its file system keeps any (FAT keeps none).
void setMode(const FileHandle& file, mode_t mode);

}  // namespace morsela
