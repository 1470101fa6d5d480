#include "app/size_field.h"

#include "split/error.h"
#include "split/size_text.h"

namespace morsela {

std::int64_t pieceSizeFromField(const QString& text) {
    const std::string typed = text.toStdString();
    const PieceSize size = pieceSizeOf(leadingNumber(typed).value * 1024.0);
    constexpr std::size_t kShown = 40;  // enough to recognise what was typed
    const std::string quoted =
        "The size \"" + typed.substr(0, kShown) + (typed.size() > kShown ? "...\"" : "\"");
    switch (size.status) {
        case PieceSize::Status::Ok:
            return size.bytes;
        case PieceSize::Status::TooLarge:
            throw Error::refused("", quoted + " is too large for a piece size");
        case PieceSize::Status::TooSmall:
        case PieceSize::Status::BadUnit:
            break;
    }
    throw Error::refused("",
                         quoted + " gives pieces of less than one byte; type a size in KB above 0");
}

}  // namespace morsela
