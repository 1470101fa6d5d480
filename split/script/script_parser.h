#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace morsela {

// What a rejoin script asks for: the pieces, in order, and the file they make.
struct RejoinCommand {
    std::vector<std::string> pieces;
    std::string target;
};

// Reads a rejoin script line by line, accepting what the interpreter runs the same way:
// copy and /b in any letter case, blanks and tabs between words and around "+", quoted or
// plain names, a byte-order mark, blank lines, "@echo off", echo without redirection, rem,
// "::" comments, pause, "chcp NNN>nul", and lines that append to the target. Anything else
// is refused with the number of the line.
class RejoinParser {
  public:
    // The next bytes of the script, in any portions; lines end at CR LF, LF or CR.
    void feed(std::string_view bytes);
    // The command, once the whole script was fed; throws Error (Refused, without a path)
    // when there was none.
    RejoinCommand finish();

  private:
    void line(std::string_view text);
    void copyLine(std::string_view text);

    RejoinCommand command_;
    std::string pending_;  // the line read so far
    bool afterCarriageReturn_ = false;
    std::size_t lineNumber_ = 0;
    bool copied_ = false;
};

// Splits `text` at CR LF, LF or CR and reads every line. Throws Error.
RejoinCommand parseRejoinScript(std::string_view text);

}  // namespace morsela
