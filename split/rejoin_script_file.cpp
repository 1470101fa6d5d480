#include "split/rejoin_script_file.h"

#include "split/file_handle.h"
#include "split/piece_names.h"

namespace morsela {

RejoinScriptFile::RejoinScriptFile(const Directory& out, std::string_view sourceName, mode_t mode)
    : file_(out, scriptName(sourceName), mode), lines_(sourceName, [this](std::string_view text) {
          writeFully(file_.file(), text.data(), static_cast<std::int64_t>(text.size()), length_);
          length_ += static_cast<std::int64_t>(text.size());
      }) {}

void RejoinScriptFile::commit() {
    lines_.finish();
    file_.commit(false);  // as durable as the pieces, which are not flushed either
}

}  // namespace morsela
