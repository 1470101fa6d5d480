// Feeds arbitrary bytes to the size reader. It must neither crash nor hang, give a piece size
// of at least one byte or refuse, and ignore blanks, tabs and line feeds wherever they stand.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "engine/size_text.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const morsela::PieceSize piece =
        morsela::pieceSizeOf(morsela::leadingNumber(text).value * 1024.0);
    if (piece.status == morsela::PieceSize::Status::Ok && piece.bytes < 1) {
        std::abort();
    }
    std::string spread;
    for (char c : text) {
        spread += c;
        spread += (c & 1) ? ' ' : '\t';
    }
    const double plain = morsela::leadingNumber(text).value;
    const double blanked = morsela::leadingNumber(spread).value;
    if (!(plain == blanked || (plain != plain && blanked != blanked))) {
        std::abort();
    }
    return 0;
}
