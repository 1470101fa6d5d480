#pragma once

#include <cstdint>
#include <string>

#include <sys/stat.h>

namespace morsela {

// Checks made before a split writes anything, so that a refused split leaves no trace.
//
// Refuses when the output directory cannot be read, when a piece name or the script name
// would be longer than the directory's file system allows, and when any of those names
// already stands for the source itself (the same name, a hard link or a symbolic link):
// writing it would destroy the source while it is being read.
void checkOutputs(const std::string& outputDir, const std::string& sourceName, std::int64_t pieces,
                  const struct stat& source);

}  // namespace morsela
