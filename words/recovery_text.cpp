#include "words/recovery_text.h"

#include "words/human_text.h"

namespace morsela {

std::string lostPieceText(bool damaged) {
    return damaged ? "is damaged" : "is missing";
}

std::string rebuildableText(bool rebuildable, std::int64_t moreBlocksNeeded) {
    if (rebuildable) {
        return "it can be rebuilt from the recovery files";
    }
    return "too much is lost: " +
           countOf(moreBlocksNeeded, "more recovery block", "more recovery blocks") +
           " would be needed";
}

std::string rebuiltFirstText() {
    return "Join rebuilds it from the recovery files first";
}

}  // namespace morsela
