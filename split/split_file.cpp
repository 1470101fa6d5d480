#include "split/split_file.h"

#include <algorithm>
#include <cerrno>
#include <optional>

#include "split/block_copier.h"
#include "split/checksum_file.h"
#include "split/completion_report.h"
#include "split/directory.h"
#include "split/file_handle.h"
#include "split/piece_checksums.h"
#include "split/piece_names.h"
#include "split/rejoin_script_file.h"
#include "split/size_text.h"
#include "split/split_error.h"
#include "split/split_guard.h"

namespace morsela {
namespace {

void readPieceSize(SplitState& s, std::string_view sizeText,
                   PieceSize (*readSize)(std::string_view)) {
    const PieceSize size = readSize(sizeText);
    constexpr std::size_t kShown = 40;  // enough to recognise what was typed
    const std::string shown(sizeText.substr(0, kShown));
    const std::string quoted = "The size \"" + shown + (sizeText.size() > kShown ? "...\"" : "\"");
    if (size.status == PieceSize::Status::TooSmall) {
        throw refusal(quoted + " gives pieces of less than one byte; type a size in KB above 0");
    }
    if (size.status == PieceSize::Status::TooLarge) {
        throw refusal(quoted + " is too large for a piece size");
    }
    if (size.status == PieceSize::Status::BadUnit) {
        throw refusal(quoted + " is not a size");
    }
    s.pieceSize = size.bytes;
}

// Leaves in sourceName what follows the last "/" of the path.
void stripDirectories(SplitState& s) {
    do {
        s.trimLength = s.sourceName.size();
        const std::size_t slash = s.sourceName.find('/');
        s.slashPos = slash == std::string::npos ? 0 : slash + 1;
        s.sourceName = s.sourceName.substr(s.slashPos, s.trimLength);
    } while (s.slashPos != 0);
}

void checkSource(const std::string& path, const struct stat& status, const std::string& name) {
    if (S_ISDIR(status.st_mode)) {
        throw sourceError(path, EISDIR);
    }
    if (!S_ISREG(status.st_mode)) {
        throw refusal(path + ": not a regular file; only regular files can be split");
    }
    if (keptLength(name) == std::string::npos) {
        throw refusal(path +
                      ": the file name needs at least three characters, "
                      "since its last three give way to the piece number");
    }
    if (const std::string why = unscriptableReason(name); !why.empty()) {
        throw refusal(path + ": " + why);
    }
}

std::string leftoverNotice(const Directory& out, const LeftoverPieces& leftover) {
    const std::string which = leftover.count == 1 ? leftover.first
                                                  : std::to_string(leftover.count) + " pieces " +
                                                        leftover.first + " to " + leftover.last;
    return out.pathOf("") + ": " + which + " of an earlier split " +
           (leftover.count == 1 ? "is" : "are") + " still there; " +
           (leftover.count == 1 ? "it is" : "they are") + " not part of this split";
}

// Pieces of equal size, as few as it takes to make at most `pieces` of them.
void sizeForCount(SplitState& s, const std::string& sourcePath, std::int64_t pieces) {
    if (pieces > s.sourceLength) {
        throw refusal(sourcePath + ": cannot be cut into " + std::to_string(pieces) +
                      " pieces; it has only " + std::to_string(s.sourceLength) + " bytes");
    }
    s.pieceSize = s.sourceLength / pieces + (s.sourceLength % pieces != 0 ? 1 : 0);
}

// Ends a split that was asked to stop: the piece being written is ours and incomplete, so it
// must not look whole.
[[noreturn]] void stopWithin(const SplitState& s, const Directory& out, FileHandle& piece,
                             ProgressSurface& pic1) {
    piece.close();
    out.remove(s.pieceName);
    const std::int64_t whole = s.pieceCount - 1;
    pic1.notice(out.pathOf("") + ": stopped; " + std::to_string(whole) +
                (whole == 1 ? " whole piece is" : " whole pieces are") +
                " left and no rejoin script");
    throw SplitStopped();
}

void runSplit(SplitState& s, std::string_view fileText, std::string_view sizeText,
              ProgressSurface& pic1, const SplitOptions& options) {
    s.sourceName = fileText;
    const std::string sourcePath = s.sourceName;
    if (options.pieces == 0) {
        readPieceSize(s, sizeText, options.readSize);
    }
    s.startTime = std::chrono::steady_clock::now();

    FileHandle source = openSource(sourcePath);
    const struct stat status = statusOf(source);
    stripDirectories(s);
    checkSource(sourcePath, status, s.sourceName);
    s.sourceLength = status.st_size;  // a source that grows meanwhile is cut here
    if (options.pieces > 0) {
        sizeForCount(s, sourcePath, options.pieces);
    }
    const mode_t mode = status.st_mode & 0777;  // private sources give private pieces

    const Directory out(s.outputDir);
    const std::int64_t pieces = piecesFor(s.sourceLength, s.pieceSize);
    const LeftoverPieces leftover = checkOutputs(out, sourcePath, s.sourceName, pieces, status);
    pic1.starting(pieces, s.pieceSize);
    s.scriptName = scriptName(s.sourceName);
    // No script may name pieces of two different splits, so the old one goes first. The new
    // one is written beside the pieces under a temporary name and only named at the end.
    out.remove(s.scriptName);
    removeStaleChecksums(out, s.sourceName);
    RejoinScriptFile script(out, s.sourceName, mode);
    std::optional<PieceChecksums> checksums;
    if (options.checksum) {
        checksums.emplace(out, s.sourceName, mode);
    }

    ResetProgress(s, pic1);
    s.bytesPerStep = s.sourceLength / 100;
    s.pieceCount = 0;
    s.sourcePos = 1;
    BlockCopier copier(source);
    do {
        ++s.pieceCount;
        s.pieceNumberText = pieceNumberText(s.pieceCount);
        s.nameLength = s.sourceName.size();
        s.pieceName = pieceName(s.sourceName, s.pieceNumberText);
        FileHandle piece = out.create(s.pieceName, mode);
        script.appendPiece(s.pieceName);
        if (checksums) {
            checksums->startPiece(copier);
        }
        s.piecePos = 1;
        // No block crosses the end of a piece or of the source.
        do {
            const std::int64_t m =
                std::min({copier.blockLength(s.sourceLength), s.pieceSize - s.piecePos + 1,
                          s.sourceLength - s.sourcePos + 1});
            copier.copy(s.sourcePos - 1, piece, s.piecePos - 1, m);
            s.piecePos += m;
            s.sourcePos += m;
            checkProgress(s, pic1);
            if (pic1.stopRequested()) {
                stopWithin(s, out, piece, pic1);
            }
        } while (s.piecePos <= s.pieceSize && s.sourcePos <= s.sourceLength);
        copier.finish(piece, s.piecePos - 1);
        closeOutput(piece);
        if (checksums) {
            checksums->endPiece(s.pieceName);
        }
        pic1.fileWritten(piece.path());
    } while (s.sourcePos <= s.sourceLength);
    copier.checkLength(s.sourceLength);
    source.close();

    s.nameLength = s.sourceName.size();
    if (checksums) {
        checksums->commit();
    }
    try {
        script.commit();
    } catch (const SplitError&) {
        if (checksums) {  // no checksum file for a split that did not finish
            out.remove(checksumFileName(s.sourceName));
        }
        throw;
    }
    pic1.fileWritten(out.pathOf(s.scriptName));
    if (checksums) {
        pic1.fileWritten(out.pathOf(checksumFileName(s.sourceName)));
    }
    if (leftover.count > 0) {
        pic1.notice(leftoverNotice(out, leftover));
    }

    reportCompletion(s, pic1);
}

}  // namespace

SplitResult SplitFile(SplitState& state, std::string_view fileText, std::string_view sizeText,
                      ProgressSurface& pic1, const SplitOptions& options) {
    try {
        runSplit(state, fileText, sizeText, pic1, options);
        return SplitResult::Done;
    } catch (const SplitStopped&) {
        return SplitResult::Stopped;
    } catch (const SplitError& error) {
        pic1.failed(error);
    } catch (const std::exception& error) {  // out of memory, for one
        pic1.failed(SplitError(kSomeError, error.what()));
    }
    return SplitResult::Failed;
}

}  // namespace morsela
