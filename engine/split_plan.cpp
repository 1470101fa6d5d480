#include "engine/split_plan.h"

#include <algorithm>
#include <cerrno>

#include "engine/error.h"
#include "engine/join/join_pieces.h"
#include "engine/output_folder.h"
#include "engine/piece_names.h"
#include "engine/recovery/stale_recovery.h"
#include "engine/script/script_words.h"

namespace morsela {
namespace {

void checkSource(const std::string& path, const struct stat& status, const std::string& name) {
    if (S_ISDIR(status.st_mode)) {
        throw Error::ofSource(path, EISDIR);
    }
    if (!S_ISREG(status.st_mode)) {
        throw Error::refused(path, "not a regular file; only regular files can be split");
    }
    if (keptLength(name) == std::string::npos) {
        throw Error::refused(path,
                             "the file name needs at least three characters, since its last "
                             "three give way to the piece number");
    }
    if (const std::string why = unscriptableReason(name); !why.empty()) {
        throw Error::refused(path, why);
    }
}

// The pieces' size and number: as asked, or equal pieces, as few as it takes to make at most
// `request.pieceCount` of them. No more pieces than a join takes.
SplitPlan planOf(const SplitRequest& request, std::int64_t sourceLength) {
    SplitPlan plan{request.source, sourceLength, request.pieceSize, 0};
    if (request.pieceCount > 0) {
        if (request.pieceCount > std::max<std::int64_t>(sourceLength, 1)) {  // empty: one piece
            throw Error::refused(request.source, "cannot be cut into " +
                                                     std::to_string(request.pieceCount) +
                                                     " pieces; it has only " +
                                                     std::to_string(sourceLength) + " bytes");
        }
        plan.pieceSize = piecesFor(sourceLength, request.pieceCount);
    } else if (request.pieceSize < 1) {
        throw Error::refused(request.source, "pieces need at least one byte");
    }
    plan.pieces = piecesFor(sourceLength, plan.pieceSize);
    const auto most = static_cast<std::int64_t>(JoinPieces::kMostPieces);
    if (plan.pieces > most) {
        const std::string choose =
            request.pieceCount > 0
                ? "at most " + std::to_string(most) + " pieces"
                : "pieces of at least " + std::to_string(sourceLength / most + 1) + " bytes";
        throw Error::refused(request.source, "would make " + std::to_string(plan.pieces) +
                                                 " pieces, more than can be joined again (" +
                                                 std::to_string(most) + "); choose " + choose);
    }
    return plan;
}

}  // namespace

PlannedSplit::PlannedSplit(const SplitRequest& request)
    : request_(request),
      source_(openSource(request.source)),
      status_(statusOf(source_)),
      sourceName_(fileNameOf(request.source)),
      // The source is refused before the output directory is opened.
      plan_((checkSource(request.source, status_, sourceName_),
             planOf(request, status_.st_size))),  // a source that grows is cut here
      out_(openOutputDirectory(request.outputDir)) {
    listing_ = checkOutputs(out_, {request.source, sourceName_, status_, plan_.pieces,
                                   plan_.pieceSize, request.checksum, request.recoveryPercent});
    earlier_ = earlierSplits(out_, sourceName_, listing_.scripts);
    for (EarlierSplit& split : earlier_) {
        split.removable = identifyPieces(out_, split, sourceName_, status_);
    }
    staleRecovery_ =
        recovery::identifyStaleRecovery(out_, sourceName_, listing_.recoveryFiles, status_);
    replaceAllowed_ = request.replace;
}

std::vector<OtherSplit> PlannedSplit::otherSplits() const {
    std::vector<OtherSplit> others;
    for (const EarlierSplit& split : earlier_) {
        if (!split.rebuildsSource) {
            others.push_back({out_.pathOf(split.script), split.target});
        }
    }
    return others;
}

void PlannedSplit::checkAllowed() const {
    if (replaceAllowed_) {
        return;
    }
    for (const EarlierSplit& split : earlier_) {
        if (split.rebuildsSource) {
            continue;
        }
        throw Error::refused(out_.pathOf(split.script),
                             split.target.empty()
                                 ? "is there and is no rejoin script of " + sourceName_ +
                                       "; split it elsewhere, or remove it"
                                 : "rebuilds " + split.target + "; split " + sourceName_ +
                                       " elsewhere, or remove the earlier pieces");
    }
}

}  // namespace morsela
