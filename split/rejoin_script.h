#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace morsela {

// The rejoin script is one line for the command interpreter, "copy /b " followed by the
// pieces joined with "+", a blank and the source's name, ended by CR LF. Run in the output
// directory it rebuilds the source from its pieces.

// False for a name that no script line can carry: one holding a double quote or a control
// character.
bool scriptCanName(std::string_view name);

// A name as it stands in the script line: as it is for ordinary names; in double quotes when
// the command interpreter would misread it (blanks, &()[]{}^=;!'+,~<>| or a backquote); and
// with every "%" doubled.
std::string scriptWord(std::string_view name);

// The line as the split builds it: begun with "copy /b ", a piece appended as each is
// opened, finished with the source's name once the last piece is written.
class RejoinLine {
  public:
    void appendPiece(std::string_view pieceName);
    void finish(std::string_view sourceName);
    const std::string& text() const { return text_; }

  private:
    std::string text_ = "copy /b ";
};

// Writes the line, ended by CR LF, into a new or emptied file. Throws SplitError.
void writeRejoinScript(const std::string& path, const std::string& line);

// What a rejoin script asks for: the pieces, in order, and the file they make.
struct RejoinCommand {
    std::vector<std::string> pieces;
    std::string target;
};

// Reads a script as the split writes it, quoted names included. Throws SplitError for
// anything else.
RejoinCommand parseRejoinScript(std::string_view text);

}  // namespace morsela
