#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace morsela {

// One line of a checksum file in the format of sha256sum, written as sha256sum writes it and
// read as `sha256sum -c` reads it.

// One line as sha256sum writes it, "<64 hex digits>  <name>" ended by LF. A name holding "\",
// a line feed or a carriage return is escaped as sha256sum escapes it: the line begins with
// "\" and those become "\\", "\n" and "\r".
std::string checksumLine(std::string_view hex, std::string_view name);

// What one line of a checksum file says.
struct ChecksumLine {
    std::string name;  // as a file in the checksum file's folder: "./x" is read as "x"
    std::string hex;   // 64 lower-case hexadecimal digits
};

// Reads the lines of one checksum file, one by one, as `sha256sum -c` reads them:
// - "#" first on a line, or a line empty once one CR at its end is dropped, says nothing;
// - blanks and tabs before a line are skipped; a "\" then marks an escaped name, in which
//   only "\\", "\n" and "\r" may stand;
// - "SHA256 (<name>) = <digest>", with or without the blank before "(", blanks and tabs
//   around "=" or none, the name ending at the last ")";
// - "<digest>" and a blank or tab, then " " or "*" and the name; or, when the file's first
//   such line is not so, the name right after the blank or tab ("<digest> <name>"), and the
//   file's other lines are read that way too;
// - a digest is 64 hexadecimal digits in either letter case.
// Any other line is improper: sha256sum checks the proper lines and counts the others. A
// line holding a NUL byte, which no name can hold, is improper here too.
class ChecksumLineReader {
  public:
    enum class Kind { Nothing, Improper, Checksum };
    // `line` without its line feed; `checksum` is set for Kind::Checksum.
    Kind read(std::string_view line, ChecksumLine& checksum);

  private:
    Kind untagged(std::string_view line, bool escaped, ChecksumLine& checksum);
    // Whether the untagged lines of this file put one character between digest and name.
    enum class Form { Unknown, TwoCharacters, OneCharacter } form_ = Form::Unknown;
};

// One line read on its own: nothing for a line that says nothing; throws Error (Refused,
// without a path) for an improper line.
std::optional<ChecksumLine> parseChecksumLine(std::string_view line);

}  // namespace morsela
