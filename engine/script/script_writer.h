#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include <sys/stat.h>
#include <sys/types.h>

#include "engine/os/directory.h"
#include "engine/os/temporary_file.h"

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

// The rejoin script as a split writes it: each line goes to a temporary file in the output
// directory as soon as it is complete, and the file takes the script's name only once the
// split is done, so a failed or stopped split leaves no script.
class RejoinScriptFile {
  public:
    // The script is as private as the source it rebuilds, and of its group where the user may.
    RejoinScriptFile(const Directory& out, std::string_view sourceName, const struct stat& source);

    void appendPiece(std::string_view pieceName) { lines_.appendPiece(pieceName); }
    // Ends the last line and names the file; with `durable`, once it is on the medium.
    void commit(bool durable);

  private:
    TemporaryFile file_;
    std::int64_t length_ = 0;
    RejoinLines lines_;
};

}  // namespace morsela
