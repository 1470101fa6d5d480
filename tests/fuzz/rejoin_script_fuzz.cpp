// Two properties of the rejoin script. Arbitrary bytes given to the parser give a command or
// a refusal, never a crash. Names that a script can carry come back from the line unchanged.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "engine/error.h"
#include "engine/script/script_parser.h"
#include "engine/script/script_words.h"
#include "engine/script/script_writer.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    try {
        morsela::parseRejoinScript(bytes);
    } catch (const morsela::Error&) {
    }

    // Cut the input at NUL bytes into names: every one but the last is a piece, the last
    // the target.
    std::vector<std::string> names;
    std::string current;
    for (char c : bytes) {
        if (c == '\0') {
            names.push_back(current);
            current.clear();
        } else {
            current += c;
        }
    }
    names.push_back(current);
    if (names.size() < 2) {
        return 0;
    }
    for (const std::string& name : names) {
        // Names as file systems hold them: at most 255 bytes, in lines the interpreter reads.
        if (name.empty() || name.size() > 255 || !morsela::unscriptableReason(name).empty()) {
            return 0;
        }
    }
    std::string script;
    morsela::RejoinLines lines(names.back(), [&](std::string_view text) { script += text; });
    for (std::size_t i = 0; i + 1 < names.size(); ++i) {
        lines.appendPiece(names[i]);
    }
    lines.finish();
    const morsela::RejoinCommand command = morsela::parseRejoinScript(script);
    names.pop_back();
    if (command.pieces != names || command.target != std::string(current)) {
        std::abort();
    }
    return 0;
}
