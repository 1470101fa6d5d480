#include "engine/split_outputs.h"

#include <algorithm>
#include <cerrno>

#include "engine/checksum/checksum_file.h"
#include "engine/error.h"
#include "engine/os/file_calls.h"
#include "engine/os/file_owner.h"
#include "engine/os/file_system.h"
#include "engine/piece_names.h"

namespace morsela {

SplitOutputs::SplitOutputs(const Directory& out, const FileHandle& source,
                           const struct stat& status, const std::string& sourceName,
                           const SplitRequest& request, recovery::SplitReadBack* readBack)
    : out_(out),
      status_(status),
      sourceName_(sourceName),
      pieceMode_(status.st_mode & 0777 & ~sys::creationMask()),
      sync_(request.sync),
      stop_(request.stop),
      fuse_(request.sync && isFuse(out)),
      script_(out, sourceName, status),
      readBack_(readBack),
      copier_(source) {
    if (request.checksum) {
        checksums_.emplace(out, sourceName, status);
    }
}

void SplitOutputs::writePiece(std::int64_t index, std::int64_t start, std::int64_t end,
                              const SplitPlan& plan, Observer& observer) {
    writing_ = pieceName(sourceName_, pieceNumberText(index + 1));
    // Private stays private: a piece has the source's permission bits and group.
    FileHandle piece = out_.create(
        writing_, checksums_ ? ChecksumWriter::kPieceModeWhileHashed : status_.st_mode & 0777);
    mode_t mode = pieceMode_;
    if (!takeGroupOf(piece, status_)) {
        mode &= 07707;
        if (!checksums_) {
            setMode(piece, mode);
        }
    }
    script_.appendPiece(writing_);
    std::int64_t at = start;
    do {  // at least once: an empty source gives one empty piece, and one step of progress
        const std::int64_t length = std::min(copier_.blockLength(plan.sourceLength), end - at);
        copier_.copy(at, piece, at - start, length);
        if (sync_) {
            sys::startWriteBack(piece.fd(), at - start, length);  // a hint; it may be refused
        }
        if (checksums_) {
            checksums_->written(piece, at - start, length);
        }
        if (readBack_ != nullptr) {
            readBack_->written(index, piece, at - start + length);
        }
        at += length;
        observer.progressed(at, plan.sourceLength);
        if (stop_.stopRequested()) {
            throw Error::stopped(plan.source,
                                 "stopped; " + std::to_string(index) +
                                     (index == 1 ? " whole piece is" : " whole pieces are") +
                                     " left and no rejoin script");
        }
    } while (at < end);
    const std::string path = piece.path();
    if (checksums_) {
        checksums_->endPiece(piece, writing_, mode);
    }
    if (fuse_) {
        closeOutput(last_);
        last_ = std::move(piece);
    } else {
        closeOutput(piece);
    }
    writing_.clear();
    observer.fileWritten(path);
}

std::int64_t SplitOutputs::abandonPieces(std::int64_t written) {
    if (!writing_.empty()) {
        out_.remove(writing_);
        writing_.clear();
    }
    const std::int64_t whole =
        checksums_ ? std::min(written, checksums_->piecesVouchedFor()) : written;
    for (std::int64_t index = whole; index < written; ++index) {
        out_.remove(pieceName(sourceName_, pieceNumberText(index + 1)));
    }
    return whole;
}

// The pieces are on the medium before the names that claim them are given, and those are
// flushed with one flush of the file system: each file's and the folder's flush cost a flush
// of the medium each (through exfat-fuse, of the device). No checksum file stays for a split
// whose script could not be written, and neither stays when that last flush fails.
void SplitOutputs::commit(SplitOutcome& outcome) {
    if (sync_ && !fuse_ && sys::syncfs(out_.fd()) != 0) {
        throw Error::ofOutput(out_.path(), errno);
    }
    const std::string checksumName = checksumFileName(sourceName_);
    if (checksums_) {
        checksums_->commit(false);
        outcome.checksumPath = out_.pathOf(checksumName);
    }
    try {
        script_.commit(false);
        outcome.scriptPath = out_.pathOf(scriptName(sourceName_));
        if (sync_) {
            flushAll();
        }
    } catch (const Error&) {
        if (!outcome.scriptPath.empty()) {
            out_.remove(scriptName(sourceName_));
        }
        if (checksums_) {
            out_.remove(checksumName);
        }
        throw;
    }
    closeOutput(last_);
}

void SplitOutputs::flushAll() {
    if (!fuse_) {
        if (sys::syncfs(out_.fd()) != 0) {
            throw Error::ofOutput(out_.path(), errno);
        }
        return;
    }
    // Each file was handed over whole when it was closed (FUSE's flush on close, whose
    // failure close reports), and what the program wrote lies in its device's cache. Not a
    // removal: exfat-fuse writes that only when a file is flushed, and then flushes its
    // device too, which costs as much as the rest; so only after a removal.
    if (out_.removals() > 0 && last_.fd() >= 0 && sys::fsync(last_.fd()) != 0 && errno != EINVAL &&
        errno != ENOSYS) {
        throw Error::ofOutput(last_.path(), errno);
    }
    flushMedium(out_);
}

}  // namespace morsela
