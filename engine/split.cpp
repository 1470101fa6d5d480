#include "engine/split.h"

#include <algorithm>
#include <cerrno>
#include <memory>
#include <vector>

#include "engine/checksum/checksum_writer.h"
#include "engine/earlier_split.h"
#include "engine/error.h"
#include "engine/join/join_pieces.h"
#include "engine/os/directory.h"
#include "engine/os/file_handle.h"
#include "engine/output_checks.h"
#include "engine/piece_names.h"
#include "engine/recovery/split_recovery.h"
#include "engine/recovery/stale_recovery.h"
#include "engine/script/script_words.h"
#include "engine/split_outputs.h"

namespace morsela {
namespace {

// "x.001", or "x.001 to x.006".
std::string piecesText(const std::string& sourceName, std::int64_t first, std::int64_t last) {
    const std::string from = pieceName(sourceName, pieceNumberText(first));
    return first == last ? from : from + " to " + pieceName(sourceName, pieceNumberText(last));
}

// Removes the pieces of earlier splits that are not among the first `kept` pieces of this
// one; gives how many went.
std::int64_t removeEarlierPieces(const Directory& out, const std::vector<EarlierSplit>& earlier,
                                 const std::string& sourceName, std::int64_t kept) {
    const std::string prefix = sourceName.substr(0, keptLength(sourceName));
    std::int64_t removed = 0;
    for (const EarlierSplit& split : earlier) {
        for (const IdentifiedPiece& piece : split.removable) {
            const auto [namePrefix, number] = splitPieceNumber(piece.name);
            const bool ours = (namePrefix == prefix ||
                               (split.foldsCase && foldCase(namePrefix) == foldCase(prefix))) &&
                              number >= 1 && number <= kept;
            if (!ours && removeIdentified(out, piece)) {
                ++removed;
            }
        }
    }
    return removed;
}

// What a failed or stopped split leaves: its whole pieces, and none of an earlier split. A
// stop says itself how many whole pieces are left.
void cleanUpAfterFailure(const Directory& out, const std::vector<EarlierSplit>& earlier,
                         const std::string& sourceName, std::int64_t whole, bool stopped,
                         Observer& observer) {
    if (const std::int64_t removed = removeEarlierPieces(out, earlier, sourceName, whole)) {
        observer.notice({out.given(), std::to_string(removed) +
                                          " pieces of the earlier split were removed with its "
                                          "script; split again to have them all"});
    }
    if (whole > 0 && !stopped) {
        observer.notice({out.given(), piecesText(sourceName, 1, whole) +
                                          (whole == 1 ? " is" : " are") +
                                          " left whole, and no rejoin script"});
    }
}

Notice leftoverNotice(const Directory& out, const LeftoverPieces& leftover);

// Once every piece is written: the pieces of an earlier split it did not replace go, and
// numbered files that no script names are reported. The split goes on whatever fails here.
void reportWhatIsBeside(const Directory& out, const std::vector<EarlierSplit>& earlier,
                        const std::string& sourceName, std::int64_t pieces,
                        const OutputListing& listing, Observer& observer) {
    try {
        if (const std::int64_t removed = removeEarlierPieces(out, earlier, sourceName, pieces)) {
            observer.notice({out.given(), std::to_string(removed) +
                                              (removed == 1 ? " piece" : " pieces") +
                                              " of the earlier split beyond this one's " +
                                              (removed == 1 ? "was removed" : "were removed")});
        }
        if (const LeftoverPieces leftover = leftoverPieces(out, sourceName, listing);
            leftover.count > 0) {
            observer.notice(leftoverNotice(out, leftover));
        }
    } catch (const Error& error) {
        observer.notice({error.path(),
                         "the split is done, but what is beside its pieces could "
                         "not be looked at: " +
                             error.reason()});
    }
}

Notice leftoverNotice(const Directory& out, const LeftoverPieces& leftover) {
    const bool one = leftover.count == 1;
    const std::string which =
        one ? leftover.first
            : std::to_string(leftover.count) + " files " + leftover.first + " to " + leftover.last;
    return {out.given(), which + (one ? " is" : " are") +
                             " numbered like these pieces but not part of this split"};
}

}  // namespace

PlannedSplit planSplit(const SplitRequest& request) {
    return PlannedSplit(request);
}

SplitOutcome split(const SplitRequest& request, Observer& observer) {
    return carryOut(planSplit(request), observer);
}

SplitOutcome carryOut(const PlannedSplit& planned, Observer& observer) {
    planned.checkAllowed();
    const SplitPlan& plan = planned.summary();
    const Directory& out = planned.out();
    const std::string& sourceName = planned.sourceName();
    const std::vector<EarlierSplit>& earlier = planned.earlier();
    observer.splitStarted(plan);

    // No script may name pieces of two different splits, so the earlier ones go first.
    const std::string firstPiece = pieceName(sourceName, pieceNumberText(1));
    for (const EarlierSplit& split : earlier) {
        out.remove(split.script);
        removeStaleChecksums(out, split.target.empty() ? sourceName : split.target, firstPiece);
    }
    removeStaleChecksums(out, sourceName, firstPiece);
    recovery::removeStaleRecovery(out, planned.staleRecovery(), observer);
    // Recovery files are made from the pieces as they are written.
    const std::unique_ptr<recovery::SplitReadBack> readBack = recovery::readBackFor(planned);
    SplitOutputs outputs(out, planned.source(), planned.sourceStatus(), sourceName,
                         planned.request(), readBack.get());
    SplitOutcome outcome{plan.sourceLength, plan.pieceSize, plan.pieces, "", ""};
    std::int64_t piece = 0;
    try {
        for (; piece < plan.pieces; ++piece) {
            const std::int64_t start = piece * plan.pieceSize;
            const std::int64_t end = start + std::min(plan.pieceSize, plan.sourceLength - start);
            outputs.writePiece(piece, start, end, plan, observer);
        }
        outputs.checkSourceLength(plan.sourceLength);
        // Before the last flush, so that a stick pulled at success holds them too.
        recovery::writeSplitRecovery(out, planned.request(), sourceName, planned.sourceStatus(),
                                     readBack.get(), outcome, observer);
    } catch (const Error& error) {
        const std::int64_t whole = outputs.abandonPieces(piece);
        cleanUpAfterFailure(out, earlier, sourceName, whole, error.kind() == Error::Kind::Stopped,
                            observer);
        throw;
    }

    // The earlier pieces go before the last flush: a stick pulled at success holds no
    // piece that a join of the new split could take up.
    reportWhatIsBeside(out, earlier, sourceName, plan.pieces, planned.listing(), observer);
    outputs.commit(outcome);
    observer.fileWritten(outcome.scriptPath);
    if (!outcome.checksumPath.empty()) {
        observer.fileWritten(outcome.checksumPath);
    }
    return outcome;
}

}  // namespace morsela
