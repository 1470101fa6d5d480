#include "engine/join/verify_plan.h"

#include "engine/checksum/checksum_file.h"
#include "engine/error.h"
#include "engine/join/verify.h"

namespace morsela {

PlannedVerify::PlannedVerify(const VerifyRequest& request) : stop_(request.stop) {
    // The recovery files are looked for in the folder the pieces were read from, opened once;
    // by the input's path only when the pieces are refused (one may be lost).
    try {
        pieces_ = std::make_unique<JoinPieces>(request.input);
    } catch (const Error&) {
        recovery_ = recovery::findBeside(request.input, folder_);
        if (recovery_) {
            return;
        }
        throw;
    }
    recovery_ = recovery::findBeside(pieces_->dir(), fileNameOf(request.input));
    if (recovery_) {
        return;
    }
    expected_ = PieceDigests::read(*pieces_, notices_);
    if (!expected_) {
        throw Error::refused(pieces_->dir().pathOf(checksumFileName(pieces_->target())),
                             "no checksum file to verify the pieces against");
    }
    if (!expected_->forPieces()) {
        throw Error::refused(pieces_->dir().pathOf(expected_->fileName()),
                             "has no lines for the pieces, so they cannot be checked; join "
                             "checks the joined file against it");
    }
}

}  // namespace morsela
