#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/os/file_handle.h"

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
// is refused with the number of the line, and so is a line longer than the interpreter
// reads: the memory a script takes stays small however long it is.
//
// Pieces are handed to `piece` as each line is read, the target being known by then.
class RejoinParser {
  public:
    using PieceVisitor = std::function<void(const std::string& piece, const std::string& target)>;
    explicit RejoinParser(PieceVisitor piece);

    // The next bytes of the script, in any portions; lines end at CR LF, LF or CR.
    void feed(std::string_view bytes);
    // Once the whole script was fed; throws Error (Refused, without a path) when there was
    // no copy line. Gives the target.
    std::string finish();

  private:
    void line(std::string_view text);
    void copyLine(std::string_view text);

    PieceVisitor piece_;
    std::string target_;
    std::string pending_;  // the line read so far
    bool afterCarriageReturn_ = false;
    std::size_t lineNumber_ = 0;
    bool copied_ = false;
};

// Reads a whole script held in memory. Throws Error.
RejoinCommand parseRejoinScript(std::string_view text);

// Reads the script in `file` in portions, so that a script of any length takes little
// memory, and gives each piece to `piece` as its line is read (the target being known by
// then). Returns the target. Throws Error naming the file for one that cannot be read or is
// no rejoin script.
std::string readRejoinScript(const FileHandle& file, const RejoinParser::PieceVisitor& piece);

}  // namespace morsela
