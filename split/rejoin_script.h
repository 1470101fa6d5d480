#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace morsela {

// The rejoin script is one line for the command interpreter, "copy /b " followed by the
// pieces joined with "+", a blank and the source's name, ended by CR LF. Run in the output
// directory it rebuilds the source from its pieces.
//
// The interpreter cuts every line at 8191 characters, so a line that would be longer is
// continued on further lines that append to the target ("copy /b T+p+q T"). A script that
// names anything beyond ASCII begins with "@chcp 65001>nul", so that the interpreter reads
// the UTF-8 names as UTF-8.

inline constexpr std::size_t kLineMax = 8191;  // the interpreter's longest line
inline constexpr std::string_view kUtf8Line = "@chcp 65001>nul\r\n";

// A name as Windows compares names: without regard to letter case (of ASCII letters).
std::string foldCase(std::string_view name);

// Why no rejoin script can name this file, or "" when one can: a quote or a control
// character, which no script line can carry, or a character that Windows file names cannot
// hold or that copy reads as a wildcard (* ? \ / : < > |).
std::string unscriptableReason(std::string_view name);
bool scriptCanName(std::string_view name);

// A name as it stands in the script line: as it is for ordinary names; in double quotes when
// the command interpreter would misread it (blanks, &()[]{}^=;!'+,~<>| or a backquote); and
// with every "%" doubled.
std::string scriptWord(std::string_view name);

// The lines of a script as the split builds them: a piece is appended as each is opened,
// and every complete line, CR LF included, goes to `put` at once, so that memory stays the
// same whatever the number of pieces.
class RejoinLines {
  public:
    RejoinLines(std::string_view sourceName, std::function<void(std::string_view)> put);
    void appendPiece(std::string_view pieceName);
    // Ends the last line with the target's name.
    void finish();

  private:
    std::string target_;
    std::string line_;
    bool hasPiece_ = false;
    std::function<void(std::string_view)> put_;
};

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
    // The command, once the whole script was fed; throws SplitError when there was none.
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

// Splits `text` at CR LF, LF or CR and reads every line. Throws SplitError.
RejoinCommand parseRejoinScript(std::string_view text);

}  // namespace morsela
