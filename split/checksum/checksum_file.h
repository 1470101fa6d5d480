#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace morsela {

class Directory;
class FileHandle;

// The checksum file beside the pieces, in the format of sha256sum: one line per piece in
// piece order and a last line for the source, "<64 hex digits>  <name>" ended by LF, so that
// `sha256sum -c` checks the pieces and, once rejoined, the file itself.

// The checksum file's name: the source's own name followed by ".sha256".
std::string checksumFileName(std::string_view sourceName);

// One line as sha256sum writes it. A name holding "\" or a line feed is escaped the way
// sha256sum escapes it: the line begins with "\" and those become "\\" and "\n".
std::string checksumLine(std::string_view hex, std::string_view name);

// What one line of a checksum file says.
struct ChecksumLine {
    std::string name;
    std::string hex;  // 64 lower-case hexadecimal digits
};

// A line read as `sha256sum -c` reads it: "<digest>  <name>" or "<digest> *<name>", the
// tagged form "SHA256 (<name>) = <digest>", either escaped by a leading "\", leading blanks
// and a CR at the end ignored. Nothing for a blank line or a "#" comment; throws Error
// (Refused, without a path) for any other line.
std::optional<ChecksumLine> parseChecksumLine(std::string_view line);

// Reads the checksum file `fileName` in `dir` line by line, in little memory whatever its
// length, without following a link, and gives every line that says something to `visit`
// with its number. False when there is no such file, or no file can have that name (too
// long for the file system). Throws Error, naming the file, for one that cannot be read or
// is no checksum file.
bool forEachChecksum(const Directory& dir, const std::string& fileName,
                     const std::function<void(const ChecksumLine&, std::size_t)>& visit);
// The same for a checksum file already open.
void forEachChecksum(const FileHandle& file,
                     const std::function<void(const ChecksumLine&, std::size_t)>& visit);

}  // namespace morsela
