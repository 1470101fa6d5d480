#include "split/split.h"

#include <algorithm>
#include <cerrno>
#include <optional>

#include "split/block_copier.h"
#include "split/checksum/checksum_file.h"
#include "split/checksum/checksum_writer.h"
#include "split/error.h"
#include "split/os/directory.h"
#include "split/os/file_handle.h"
#include "split/output_checks.h"
#include "split/piece_names.h"
#include "split/script/script_words.h"
#include "split/script/script_writer.h"

namespace morsela {
namespace {

// What follows the last "/" of the path.
std::string fileNameOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

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

// The pieces' size: as asked, or equal pieces, as few as it takes to make at most
// `request.pieceCount` of them.
std::int64_t pieceSizeFor(const SplitRequest& request, std::int64_t sourceLength) {
    if (request.pieceCount <= 0) {
        if (request.pieceSize < 1) {
            throw Error::refused(request.source, "pieces need at least one byte");
        }
        return request.pieceSize;
    }
    if (request.pieceCount > std::max<std::int64_t>(sourceLength, 1)) {  // an empty file: one piece
        throw Error::refused(request.source,
                             "cannot be cut into " + std::to_string(request.pieceCount) +
                                 " pieces; it has only " + std::to_string(sourceLength) + " bytes");
    }
    return piecesFor(sourceLength, request.pieceCount);
}

Notice leftoverNotice(const Directory& out, const LeftoverPieces& leftover) {
    const bool one = leftover.count == 1;
    const std::string which =
        one ? leftover.first
            : std::to_string(leftover.count) + " pieces " + leftover.first + " to " + leftover.last;
    return {out.path(), which + " of an earlier split " + (one ? "is" : "are") + " still there; " +
                            (one ? "it is" : "they are") + " not part of this split"};
}

// Everything a split writes besides the pieces, and the copier they share.
struct Outputs {
    const Directory& out;
    RejoinScriptFile script;
    std::optional<ChecksumWriter> checksums;
    BlockCopier copier;
};

// Copies source bytes [start, end) into a new piece, block by block; no block crosses the end
// of a piece. A stop removes the piece, which would otherwise look whole.
void writePiece(Outputs& outputs, const std::string& name, std::int64_t start, std::int64_t end,
                mode_t mode, const SplitPlan& plan, Observer& observer) {
    FileHandle piece = outputs.out.create(name, mode);
    outputs.script.appendPiece(name);
    if (outputs.checksums) {
        outputs.checksums->startPiece(outputs.copier);
    }
    std::int64_t at = start;
    do {  // at least once: an empty source gives one empty piece, and one step of progress
        const std::int64_t length =
            std::min(outputs.copier.blockLength(plan.sourceLength), end - at);
        outputs.copier.copy(at, piece, at - start, length);
        at += length;
        observer.progressed(at, plan.sourceLength);
        if (observer.stopRequested()) {
            piece.close();
            outputs.out.remove(name);
            const std::int64_t whole = start / plan.pieceSize;
            throw Error::stopped(plan.source,
                                 "stopped; " + std::to_string(whole) +
                                     (whole == 1 ? " whole piece is" : " whole pieces are") +
                                     " left and no rejoin script");
        }
    } while (at < end);
    outputs.copier.finish(piece, end - start);
    closeOutput(piece);
    if (outputs.checksums) {
        outputs.checksums->endPiece(name);
    }
    observer.fileWritten(piece.path());
}

// Names the script and the checksum file once every piece is whole: no checksum file stays
// for a split whose script could not be written.
void commitOutputs(Outputs& outputs, const std::string& sourceName, SplitOutcome& outcome) {
    if (outputs.checksums) {
        outputs.checksums->commit();
        outcome.checksumPath = outputs.out.pathOf(checksumFileName(sourceName));
    }
    try {
        outputs.script.commit();
    } catch (const Error&) {
        if (outputs.checksums) {
            outputs.out.remove(checksumFileName(sourceName));
        }
        throw;
    }
    outcome.scriptPath = outputs.out.pathOf(scriptName(sourceName));
}

}  // namespace

SplitOutcome split(const SplitRequest& request, Observer& observer) {
    const FileHandle source = openSource(request.source);
    const struct stat status = statusOf(source);
    const std::string sourceName = fileNameOf(request.source);
    checkSource(request.source, status, sourceName);
    SplitPlan plan{request.source, status.st_size, 0, 0};  // a source that grows is cut here
    plan.pieceSize = pieceSizeFor(request, plan.sourceLength);
    plan.pieces = piecesFor(plan.sourceLength, plan.pieceSize);
    const mode_t mode = status.st_mode & 0777;  // private sources give private pieces

    const Directory out(request.outputDir);
    const LeftoverPieces leftover =
        checkOutputs(out, request.source, sourceName, plan.pieces, status);
    observer.splitStarted(plan);
    // No script may name pieces of two different splits, so the old one goes first. The new
    // one is written beside the pieces under a temporary name and only named at the end.
    out.remove(scriptName(sourceName));
    removeStaleChecksums(out, sourceName);
    Outputs outputs{out, RejoinScriptFile(out, sourceName, mode), std::nullopt,
                    BlockCopier(source)};
    if (request.checksum) {
        outputs.checksums.emplace(out, sourceName, mode);
    }

    for (std::int64_t piece = 0; piece < plan.pieces; ++piece) {
        const std::int64_t start = piece * plan.pieceSize;
        const std::int64_t end = start + std::min(plan.pieceSize, plan.sourceLength - start);
        writePiece(outputs, pieceName(sourceName, pieceNumberText(piece + 1)), start, end, mode,
                   plan, observer);
    }
    outputs.copier.checkLength(plan.sourceLength);

    SplitOutcome outcome{plan.sourceLength, plan.pieceSize, plan.pieces, "", ""};
    commitOutputs(outputs, sourceName, outcome);
    observer.fileWritten(outcome.scriptPath);
    if (!outcome.checksumPath.empty()) {
        observer.fileWritten(outcome.checksumPath);
    }
    if (leftover.count > 0) {
        observer.notice(leftoverNotice(out, leftover));
    }
    return outcome;
}

}  // namespace morsela
