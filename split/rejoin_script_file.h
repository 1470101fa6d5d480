#pragma once

#include <cstdint>
#include <string_view>

#include <sys/types.h>

#include "split/directory.h"
#include "split/rejoin_script.h"

namespace morsela {

// The rejoin script as a split writes it: each line goes to a temporary file in the output
// directory as soon as it is complete, and the file takes the script's name only once the
// split is done, so a failed or stopped split leaves no script.
class RejoinScriptFile {
  public:
    RejoinScriptFile(const Directory& out, std::string_view sourceName, mode_t mode);

    void appendPiece(std::string_view pieceName) { lines_.appendPiece(pieceName); }
    // Ends the last line and names the file.
    void commit();

  private:
    TemporaryFile file_;
    std::int64_t length_ = 0;
    RejoinLines lines_;
};

}  // namespace morsela
