#include "engine/join/join.h"

#include <algorithm>
#include <optional>

#include "engine/block_copier.h"
#include "engine/checksum/read_back_digests.h"
#include "engine/error.h"
#include "engine/join/join_pieces.h"
#include "engine/join/piece_digests.h"
#include "engine/join/rebuilt_first.h"
#include "engine/join/target_place.h"
#include "engine/os/directory.h"
#include "engine/os/file_calls.h"
#include "engine/os/temporary_file.h"

namespace morsela {
namespace {

constexpr const char* kDamaged = "checksum does not match; the piece is damaged";

// The digest a join makes of the target's bytes, read back as they are written (the target
// is the join's own until it is renamed, so it is read where it lies): the whole target's
// when the checksum file has a line for it, which says all; else each piece's.
class JoinDigests {
  public:
    explicit JoinDigests(const PieceDigests& expected)
        : expected_(expected), perPiece_(!expected.forTarget()), digests_(1) {}

    void written(const FileHandle& target, std::int64_t offset, std::int64_t length) {
        digests_.add(target, offset, length);
    }

    // The piece is in the target; a damaged one is refused as soon as its digest is known.
    void endPiece(const JoinPieces& pieces, bool last) {
        if (perPiece_) {
            digests_.end(0);
            compare(pieces, digests_, last);
        }
    }

    // Refuses a target whose digest is not the one the checksum file gives it, naming the
    // damaged piece where the file has lines for the pieces.
    void checkTarget(const JoinPieces& pieces, const FileHandle& target) {
        if (perPiece_) {
            return;
        }
        digests_.end(0);
        if (expected_.targetMatches(digests_.ended(0, true).at(0))) {
            return;
        }
        if (expected_.forPieces()) {
            ReadBackDigests eachPiece(1);
            std::int64_t offset = 0;
            for (std::size_t piece = 0; piece < pieces.count(); ++piece) {
                eachPiece.add(target, offset, pieces.sizeOf(piece));
                eachPiece.end(0);
                offset += pieces.sizeOf(piece);
            }
            compare(pieces, eachPiece, true);
        }
        throw Error::refused(target.path(), "checksum does not match after joining");
    }

  private:
    void compare(const JoinPieces& pieces, ReadBackDigests& digests, bool all) {
        for (const std::string& hex : digests.ended(0, all)) {
            if (!expected_.pieceMatches(compared_, hex)) {
                throw Error::refused(pieces.dir().pathOf(pieces.names().name(compared_)), kDamaged);
            }
            ++compared_;
        }
    }

    const PieceDigests& expected_;
    bool perPiece_;
    std::size_t compared_ = 0;  // pieces whose digests were compared
    ReadBackDigests digests_;
};

// Appends one piece to the target at `offset`, block by block.
void appendPiece(const PlannedJoin& plan, std::size_t index, const FileHandle& target,
                 std::int64_t offset, JoinDigests* digests, Observer& observer) {
    const JoinPieces& pieces = plan.pieces();
    const FileHandle piece = pieces.open(index);
    const std::int64_t size = pieces.sizeOf(index);
    BlockCopier copier(piece);
    for (std::int64_t pos = 0, block = 0; pos < size; pos += block) {
        block = std::min(copier.blockLength(size), size - pos);
        copier.copy(pos, target, offset + pos, block);
        // The target is flushed before it is named: the medium may start on it now.
        sys::startWriteBack(target.fd(), offset + pos, block);
        if (digests != nullptr) {
            digests->written(target, offset + pos, block);
        }
        observer.progressed(offset + pos + block, pieces.totalBytes());
        if (plan.stop().stopRequested()) {
            throw Error::stopped(target.path(), "stopped; the target was not written");
        }
    }
    copier.checkLength(size);
    if (digests != nullptr) {
        digests->endPiece(pieces, index + 1 == pieces.count());
    }
}

}  // namespace

PlannedJoin planJoin(const JoinRequest& request) {
    return PlannedJoin(request);
}

JoinOutcome join(const JoinRequest& request, Observer& observer) {
    // Lost and damaged pieces are rebuilt from the recovery files first, where they can be,
    // and the pieces then looked at anew.
    return carryOut(planRebuilt(request, observer), observer);
}

JoinOutcome carryOutRepaired(const PlannedJoin& plan, Observer& observer) {
    const std::optional<PlannedJoin> again = rebuiltFirst(plan, observer);
    return carryOut(again ? *again : plan, observer);
}

JoinOutcome carryOut(const PlannedJoin& plan, Observer& observer) {
    const JoinPieces& pieces = plan.pieces();
    const std::optional<PieceDigests>& expected = plan.expected();
    plan.checkTargetUnchanged();
    for (const Notice& notice : plan.notices()) {
        observer.notice(notice);
    }
    const JoinPlan summary = plan.summary();
    const JoinOutcome outcome{summary.target, summary.pieces, summary.totalBytes,
                              expected.has_value(), expected && expected->forPieces()};
    observer.joinStarted(summary);

    // The target is as private as the most private piece it is made of: it has only the
    // permission bits that every piece has, less the umask. Its group is the one the user's
    // new files get, never a piece's; its group's bits stay only when every piece has that
    // same group, whose members could then read (or write) every piece already. So nobody
    // gains access that the pieces did not give them, and a piece's owner cannot write the
    // user's file through a group of their own.
    TemporaryFile joined(plan.folder(), plan.targetName(), pieces.sharedMode());
    joined.keepGroupBitsOnlyFor(pieces.sharedGroup());
    std::optional<JoinDigests> digests;
    if (expected) {
        digests.emplace(*expected);
    }
    std::int64_t offset = 0;
    for (std::size_t piece = 0; piece < pieces.count(); ++piece) {
        appendPiece(plan, piece, joined.file(), offset, digests ? &*digests : nullptr, observer);
        offset += pieces.sizeOf(piece);
    }
    if (digests) {
        digests->checkTarget(pieces, joined.file());
    }
    plan.checkTargetUnchanged();
    joined.commit(true);
    return outcome;
}

}  // namespace morsela
