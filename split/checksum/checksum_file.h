#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace morsela {

class Directory;

// The checksum file beside the pieces, in the format of sha256sum: one line per piece in
// piece order and a last line for the source, "<64 hex digits>  <name>" ended by LF, so that
// `sha256sum -c` checks the pieces and, once rejoined, the file itself.

using Digests = std::map<std::string, std::string>;  // hex digits by name

// The checksum file's name: the source's own name followed by ".sha256".
std::string checksumFileName(std::string_view sourceName);

// One line as sha256sum writes it. A name holding "\" or a line feed is escaped the way
// sha256sum escapes it: the line begins with "\" and those become "\\" and "\n".
std::string checksumLine(std::string_view hex, std::string_view name);

// The digests of a checksum file's text, by name. Reads what sha256sum writes ("  " or " *"
// between digest and name, escaped lines); throws Error (Refused, without a path) for
// anything else.
Digests parseChecksums(std::string_view text);

// The digests in the checksum file `fileName` in `dir`, which is read without following a
// link; nothing when there is no such file. Throws Error, naming the file, for one that
// cannot be read or is no checksum file.
std::optional<Digests> readChecksums(const Directory& dir, const std::string& fileName);

}  // namespace morsela
