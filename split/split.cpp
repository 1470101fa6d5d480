#include "split/split.h"

#include <algorithm>
#include <cerrno>
#include <vector>

#include "split/checksum/checksum_writer.h"
#include "split/earlier_split.h"
#include "split/error.h"
#include "split/join/join_pieces.h"
#include "split/os/directory.h"
#include "split/os/file_handle.h"
#include "split/output_checks.h"
#include "split/piece_names.h"
#include "split/recovery/split_recovery.h"
#include "split/script/script_words.h"
#include "split/split_outputs.h"

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

// "x.001", or "x.001 to x.006".
std::string piecesText(const std::string& sourceName, std::int64_t first, std::int64_t last) {
    const std::string from = pieceName(sourceName, pieceNumberText(first));
    return first == last ? from : from + " to " + pieceName(sourceName, pieceNumberText(last));
}

// The earlier splits this split replaces. One of another file is replaced only when the
// observer agrees; else the split is refused before anything is written.
std::vector<EarlierSplit> splitsToReplace(const Directory& out, const std::string& sourceName,
                                          const struct stat& source,
                                          const std::vector<std::string>& candidates,
                                          Observer& observer) {
    std::vector<EarlierSplit> earlier = earlierSplits(out, sourceName, candidates);
    for (EarlierSplit& split : earlier) {
        if (split.rebuildsSource ||
            observer.replaceOtherSplit({out.pathOf(split.script), split.target})) {
            split.removable = identifyPieces(out, split.pieces, source);
            continue;
        }
        throw Error::refused(out.pathOf(split.script),
                             split.target.empty()
                                 ? "is there and is no rejoin script of " + sourceName +
                                       "; split it elsewhere, or remove it"
                                 : "rebuilds " + split.target + "; split " + sourceName +
                                       " elsewhere, or remove the earlier pieces");
    }
    return earlier;
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
                        const std::string& sourceName, std::int64_t pieces, Observer& observer) {
    try {
        if (const std::int64_t removed = removeEarlierPieces(out, earlier, sourceName, pieces)) {
            observer.notice({out.given(), std::to_string(removed) +
                                              (removed == 1 ? " piece" : " pieces") +
                                              " of the earlier split beyond this one's " +
                                              (removed == 1 ? "was removed" : "were removed")});
        }
        if (const LeftoverPieces leftover = leftoverPieces(out, sourceName, pieces);
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

SplitOutcome split(const SplitRequest& request, Observer& observer) {
    const FileHandle source = openSource(request.source);
    const struct stat status = statusOf(source);
    const std::string sourceName = fileNameOf(request.source);
    checkSource(request.source, status, sourceName);
    const SplitPlan plan = planOf(request, status.st_size);  // a source that grows is cut here

    const Directory out(request.outputDir);
    const std::vector<std::string> candidates = checkOutputs(
        out, {request.source, sourceName, status, plan.pieces, plan.pieceSize, request.checksum});
    const std::vector<EarlierSplit> earlier =
        splitsToReplace(out, sourceName, status, candidates, observer);
    observer.splitStarted(plan);

    // No script may name pieces of two different splits, so the earlier ones go first.
    for (const EarlierSplit& split : earlier) {
        out.remove(split.script);
        removeStaleChecksums(out, split.target.empty() ? sourceName : split.target);
    }
    removeStaleChecksums(out, sourceName);
    recovery::removeStaleRecoveryFiles(out, sourceName);
    SplitOutputs outputs(out, source, status, sourceName, request);
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
        recovery::writeSplitRecovery(out, request, sourceName, status, outcome, observer);
    } catch (const Error& error) {
        const std::int64_t whole = outputs.abandonPieces(piece);
        cleanUpAfterFailure(out, earlier, sourceName, whole, error.kind() == Error::Kind::Stopped,
                            observer);
        throw;
    }

    // The earlier pieces go before the last flush: a stick pulled at success holds no
    // piece that a join of the new split could take up.
    reportWhatIsBeside(out, earlier, sourceName, plan.pieces, observer);
    outputs.commit(outcome);
    observer.fileWritten(outcome.scriptPath);
    if (!outcome.checksumPath.empty()) {
        observer.fileWritten(outcome.checksumPath);
    }
    return outcome;
}

}  // namespace morsela
