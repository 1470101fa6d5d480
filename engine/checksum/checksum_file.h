#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "engine/checksum/checksum_line.h"

namespace morsela {

class Directory;
class FileHandle;

// The checksum file beside the pieces, in the format of sha256sum: one line per piece in
// piece order and a last line for the source (checksum_line.h), so that `sha256sum -c`
// checks the pieces and, once rejoined, the file itself.

// The checksum file's name: the source's own name followed by ".sha256".
std::string checksumFileName(std::string_view sourceName);

// What a checksum file held besides its checksum lines.
struct ChecksumFileRead {
    std::size_t improperLines = 0;  // lines that `sha256sum -c` warns are improperly formatted
};

// Reads the checksum file `fileName` in `dir` line by line, in little memory whatever its
// length, without following a link, and gives every checksum line (checksum_line.h) to
// `visit` with its number. Improper lines are counted and passed over, as `sha256sum -c`
// does; so is a line longer than any name. Nothing when there is no such file, or no file
// can have that name (too long for the file system). Throws Error, naming the file, for one
// that cannot be read or holds no checksum line at all.
std::optional<ChecksumFileRead> forEachChecksum(
    const Directory& dir, const std::string& fileName,
    const std::function<void(const ChecksumLine&, std::size_t)>& visit);
// The same for a checksum file already open.
ChecksumFileRead forEachChecksum(
    const FileHandle& file, const std::function<void(const ChecksumLine&, std::size_t)>& visit);

}  // namespace morsela
