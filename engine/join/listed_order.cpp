#include "engine/join/listed_order.h"

#include <utility>

#include "engine/error.h"
#include "engine/script/piece_list.h"

namespace morsela {
namespace {

// Whether `earlier`, listed before `later`, comes before it by name while it comes after it
// by number: two pieces of one name, listed as a sorted list of names has them.
bool listedByName(const std::string& earlier, const std::string& later) {
    const auto [earlierPrefix, earlierNumber] = splitPieceNumber(earlier);
    const auto [laterPrefix, laterNumber] = splitPieceNumber(later);
    return earlierNumber > 0 && laterNumber > 0 && earlierPrefix == laterPrefix &&
           earlier < later && laterNumber < earlierNumber;
}

}  // namespace

ListedOrder::ListedOrder(const JoinPieces& pieces, std::string path)
    : pieces_(pieces), path_(std::move(path)) {}

void ListedOrder::piece(std::size_t index, const std::string& name, std::size_t line) {
    if (previous_ && index < *previous_ && !listedByName(previousName_, name)) {
        throw Error::refused(path_, "line " + std::to_string(line) + " lists " + name + " after " +
                                        previousName_ +
                                        ", but the script joins it before: the pieces would "
                                        "make another file than the one checked");
    }
    previous_ = index;
    previousName_ = name;
}

void ListedOrder::other(const std::string& name, std::size_t line) const {
    const auto [prefix, number] = splitPieceNumber(name);
    if (number == 0 || pieces_.isSeries()) {
        return;
    }
    const std::size_t last = pieces_.count() - 1;
    for (const std::size_t piece : {std::size_t{0}, last}) {
        const std::string pieceName = pieces_.names().name(piece);
        if (splitPieceNumber(pieceName).first == prefix) {
            throw Error::refused(pieces_.dir().pathOf(name),
                                 "is a piece that the script leaves out: line " +
                                     std::to_string(line) + " of " + path_ +
                                     " lists it with the pieces");
        }
    }
}

}  // namespace morsela
