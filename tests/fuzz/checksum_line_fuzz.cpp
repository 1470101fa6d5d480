// Feeds arbitrary bytes to the checksum file's line reader, as a stranger's checksum file
// would. It must neither crash nor hang; a line it accepts gives 64 lower-case hexadecimal
// digits, and writing that line again as a split does (escaping "\", LF and CR) reads back
// the same name and digest.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>

#include "engine/checksum/checksum_file.h"
#include "engine/error.h"

namespace {

std::optional<morsela::ChecksumLine> parsed(const std::string& line) {
    try {
        return morsela::parseChecksumLine(line);
    } catch (const morsela::Error&) {
        return std::nullopt;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const auto line = parsed(text);
    if (!line) {
        return 0;
    }
    if (line->hex.size() != 64 ||
        line->hex.find_first_not_of("0123456789abcdef") != std::string::npos) {
        std::abort();
    }
    std::string again = morsela::checksumLine(line->hex, line->name);
    again.pop_back();  // the line feed that ends it
    const auto reread = parsed(again);
    if (!line->name.empty() &&
        (!reread || reread->name != line->name || reread->hex != line->hex)) {
        std::abort();
    }
    return 0;
}
