#include "split/join/verify.h"

#include "split/checksum/checksum_file.h"
#include "split/error.h"
#include "split/join/script_pieces.h"

namespace morsela {

VerifyOutcome verify(const std::string& scriptPath, Observer& observer) {
    const ScriptPieces pieces = lookAtScript(scriptPath);
    const std::string checksumName = checksumFileName(pieces.target);
    const auto digests = readChecksums(pieces.dir, checksumName);
    if (!digests) {
        throw Error::refused(pieces.dir.pathOf(checksumName),
                             "no checksum file to verify the pieces against");
    }
    observer.joinStarted(
        {pieces.target, static_cast<std::int64_t>(pieces.pieces.size()), pieces.totalBytes, true});
    VerifyOutcome outcome{static_cast<std::int64_t>(pieces.pieces.size()), {}};
    for (const std::string& name : damagedPieces(pieces, *digests, observer)) {
        outcome.damaged.push_back(pieces.dir.pathOf(name));
    }
    return outcome;
}

}  // namespace morsela
