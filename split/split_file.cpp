#include "split/split_file.h"

#include <algorithm>
#include <cerrno>

#include "split/block_copier.h"
#include "split/completion_report.h"
#include "split/file_handle.h"
#include "split/piece_names.h"
#include "split/rejoin_script.h"
#include "split/size_text.h"
#include "split/split_error.h"
#include "split/split_guard.h"

namespace morsela {
namespace {

void readPieceSize(SplitState& s, std::string_view sizeText) {
    const PieceSize size = pieceSizeFromText(sizeText);
    constexpr std::size_t kShown = 40;  // enough to recognise what was typed
    const std::string shown(sizeText.substr(0, kShown));
    const std::string quoted = "The size \"" + shown + (sizeText.size() > kShown ? "...\"" : "\"");
    if (size.status == PieceSize::Status::TooSmall) {
        throw refusal(quoted + " gives pieces of less than one byte; type a size in KB above 0");
    }
    if (size.status == PieceSize::Status::TooLarge) {
        throw refusal(quoted + " is too large for a piece size");
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
    if (name.size() < kReplacedSuffix) {
        throw refusal(path +
                      ": the file name needs at least three characters, "
                      "since its last three give way to the piece number");
    }
    if (!scriptCanName(name)) {
        throw refusal(path +
                      ": the file name holds a quote or control character, "
                      "which no rejoin script can carry");
    }
}

void runSplit(SplitState& s, std::string_view fileText, std::string_view sizeText,
              ProgressSurface& pic1) {
    s.sourceName = fileText;
    const std::string sourcePath = s.sourceName;
    readPieceSize(s, sizeText);
    RejoinLine line;
    s.startTime = std::chrono::steady_clock::now();

    FileHandle source = openSource(sourcePath);
    const struct stat status = statusOf(source);
    stripDirectories(s);
    checkSource(sourcePath, status, s.sourceName);
    s.sourceLength = status.st_size;  // a source that grows meanwhile is cut here
    checkOutputs(s.outputDir, s.sourceName, piecesFor(s.sourceLength, s.pieceSize), status);

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
        FileHandle piece = createOutput(s.outputDir + s.pieceName);
        line.appendPiece(s.pieceName);
        s.piecePos = 1;
        // No block crosses the end of a piece or of the source.
        do {
            const std::int64_t m = std::min(
                {BLOCK_MAX, s.pieceSize - s.piecePos + 1, s.sourceLength - s.sourcePos + 1});
            copier.copy(s.sourcePos - 1, piece, s.piecePos - 1, m);
            s.piecePos += m;
            s.sourcePos += m;
            checkProgress(s, pic1);
            if (pic1.stopRequested()) {
                throw SplitStopped();
            }
        } while (s.piecePos <= s.pieceSize && s.sourcePos <= s.sourceLength);
        copier.finish(piece, s.piecePos - 1);
        closeOutput(piece);
        pic1.fileWritten(piece.path());
    } while (s.sourcePos <= s.sourceLength);
    source.close();

    line.finish(s.sourceName);
    s.nameLength = s.sourceName.size();
    s.scriptName = scriptName(s.sourceName);
    writeRejoinScript(s.outputDir + s.scriptName, line.text());
    pic1.fileWritten(s.outputDir + s.scriptName);

    reportCompletion(s, pic1);
}

}  // namespace

SplitResult SplitFile(SplitState& state, std::string_view fileText, std::string_view sizeText,
                      ProgressSurface& pic1) {
    try {
        runSplit(state, fileText, sizeText, pic1);
        return SplitResult::Done;
    } catch (const SplitStopped&) {
        return SplitResult::Stopped;
    } catch (const SplitError& error) {
        pic1.messageBox(error.headline() + "\n" + error.detail(), kErrorTitle,
                        MessageKind::Critical);
    } catch (const std::exception& error) {  // out of memory, for one
        pic1.messageBox(std::string(kSomeError) + "\n" + error.what(), kErrorTitle,
                        MessageKind::Critical);
    }
    return SplitResult::Failed;
}

}  // namespace morsela
