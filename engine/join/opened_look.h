#pragma once

#include <string>

namespace morsela {

// What a file that someone opens (a double click, a file given to the window) looks like to
// the join: a rejoin script, the first piece of a numbered series, or neither, by the rules
// join itself reads them with.
enum class OpenedLook { RejoinScript, FirstPiece, Neither };

// A first piece is known by its name (NAME.00, NAME.000, NAME.001, NAME.0001, ...), also when
// it is not there yet: the join then says what is missing. A rejoin script is a regular file
// whose first command, as the script parser reads its first 64 KiB, is a whole "copy /b"
// line; what follows that line is for the join to judge. A directory, pipe or device is
// neither, and is never opened. A file that cannot be read is neither. Never throws.
OpenedLook lookOfOpenedFile(const std::string& path);

}  // namespace morsela
