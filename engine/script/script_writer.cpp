#include "engine/script/script_writer.h"

#include <algorithm>

#include "engine/os/file_handle.h"
#include "engine/piece_names.h"
#include "engine/script/script_words.h"

namespace morsela {
namespace {

constexpr std::string_view kCommand = "copy /b ";

}  // namespace

RejoinLines::RejoinLines(std::string_view sourceName, std::function<void(std::string_view)> put)
    : target_(scriptWord(sourceName)), line_(kCommand), put_(std::move(put)) {
    // Piece names are made of the source's name, so it alone decides the code page.
    const bool beyondAscii = std::any_of(sourceName.begin(), sourceName.end(), [](char c) {
        return static_cast<unsigned char>(c) > 127;
    });
    if (beyondAscii) {
        put_(kUtf8Line);
    }
}

void RejoinLines::appendPiece(std::string_view pieceName) {
    const std::string word = scriptWord(pieceName);
    // Room for "+word" and then " target" at the end of the line.
    if (hasPiece_ && line_.size() + 1 + word.size() + 1 + target_.size() > kLineMax) {
        put_(line_ + " " + target_ + "\r\n");
        line_ = std::string(kCommand) + target_;  // appends to what the lines so far made
    }
    if (line_.size() > kCommand.size()) {
        line_ += '+';
    }
    line_ += word;
    hasPiece_ = true;
}

void RejoinLines::finish() {
    put_(line_ + " " + target_ + "\r\n");
}

RejoinScriptFile::RejoinScriptFile(const Directory& out, std::string_view sourceName,
                                   const struct stat& source)
    : file_(out, scriptName(sourceName), source.st_mode & 0777),
      lines_(sourceName, [this](std::string_view text) {
          writeFully(file_.file(), text.data(), static_cast<std::int64_t>(text.size()), length_);
          length_ += static_cast<std::int64_t>(text.size());
      }) {
    file_.keepGroupOf(source);
}

void RejoinScriptFile::commit(bool durable) {
    lines_.finish();
    file_.commit(durable);
}

}  // namespace morsela
