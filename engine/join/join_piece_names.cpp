#include "engine/join/join_piece_names.h"

#include "engine/error.h"
#include "engine/join/join_pieces.h"
#include "engine/join/numbered_series.h"
#include "engine/script/piece_list.h"
#include "engine/script/script_parser.h"

namespace morsela {
namespace {

std::size_t digitsAtEnd(std::string_view name) {
    std::size_t digits = 0;
    while (digits < name.size() && name[name.size() - 1 - digits] >= '0' &&
           name[name.size() - 1 - digits] <= '9') {
        ++digits;
    }
    return digits;
}

}  // namespace

JoinPieceNames::JoinPieceNames(const Directory& dir, const std::string& input) {
    // A numbered piece is one of a series, or the first piece a script beside it names:
    // either way its pieces are numbered as it is.
    if (isNumberedName(input) || splitPieceNumber(input).second > 0) {
        prefix_ = input.substr(0, input.size() - digitsAtEnd(input));
        return;
    }
    struct Enough {};
    try {
        const FileHandle script = dir.openRegular(input, "a script is read only as itself");
        readRejoinScript(script, [&](const std::string& piece, const std::string&) {
            if (isPlainName(piece)) {
                named_.insert(piece);
            }
            if (named_.size() >= JoinPieces::kMostPieces) {
                throw Enough{};
            }
        });
    } catch (const Error&) {
        named_.clear();  // no script: no pieces to speak of
    } catch (const Enough&) {
    }
}

bool JoinPieceNames::holds(std::string_view name) const {
    if (!prefix_.empty()) {
        const std::size_t digits = digitsAtEnd(name);
        return digits >= 2 && name.size() - digits == prefix_.size() && name.starts_with(prefix_);
    }
    return named_.count(std::string(name)) != 0;
}

}  // namespace morsela
