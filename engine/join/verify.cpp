#include "engine/join/verify.h"

#include <algorithm>

#include "engine/checksum/checksum_file.h"
#include "engine/checksum/digest_threads.h"
#include "engine/error.h"
#include "engine/join/join_pieces.h"
#include "engine/join/piece_digests.h"

namespace morsela {
namespace {

// Reads one piece, hashing it on a thread of its own while the next block is read.
std::string digestOf(const JoinPieces& pieces, std::size_t index, DigestThreads& digest,
                     std::int64_t before, Observer& observer) {
    const FileHandle piece = pieces.open(index);
    const std::int64_t size = pieces.sizeOf(index);
    for (std::int64_t pos = 0; pos < size;) {
        const auto block = std::min<std::int64_t>(DigestThreads::kBufferSize, size - pos);
        if (readAt(piece, digest.nextBuffer(), block, pos) < block) {
            throw Error::refused(piece.path(), "the file became shorter while it was being read");
        }
        digest.hashBuffer(static_cast<std::size_t>(block));
        pos += block;
        observer.progressed(before + pos, pieces.totalBytes());
        if (observer.stopRequested()) {
            throw Error::stopped(piece.path(), "stopped");
        }
    }
    digest.end(0);
    return digest.takeEnded(0, true).at(0);
}

// The pieces that the recovery files do not describe: whole as they say only the others are.
std::vector<std::string> notDescribed(const JoinPieces& pieces,
                                      const recovery::RecoveryReport& report) {
    std::vector<std::string> described = report.covered;
    std::sort(described.begin(), described.end());
    std::vector<std::string> unchecked;
    for (std::size_t piece = 0; piece < pieces.count(); ++piece) {
        std::string path = pieces.dir().pathOf(pieces.names().name(piece));
        if (!std::binary_search(described.begin(), described.end(), path)) {
            unchecked.push_back(std::move(path));
        }
    }
    return unchecked;
}

}  // namespace

VerifyOutcome verify(const std::string& scriptPath, Observer& observer) {
    if (auto recovered = recovery::checkRecoveryBeside(scriptPath); recovered.found) {
        VerifyOutcome outcome{recovered.pieces, {}, std::move(recovered)};
        if (outcome.recovery.missing.empty() && outcome.recovery.damaged.empty()) {
            outcome.unchecked = notDescribed(JoinPieces(scriptPath), outcome.recovery);
        }
        return outcome;
    }
    const JoinPieces pieces(scriptPath);
    const auto digests = PieceDigests::read(pieces, observer);
    if (!digests) {
        throw Error::refused(pieces.dir().pathOf(checksumFileName(pieces.target())),
                             "no checksum file to verify the pieces against");
    }
    if (!digests->forPieces()) {
        throw Error::refused(pieces.dir().pathOf(digests->fileName()),
                             "has no lines for the pieces, so they cannot be checked; join "
                             "checks the joined file against it");
    }
    observer.joinStarted({pieces.target(), static_cast<std::int64_t>(pieces.count()),
                          pieces.totalBytes(), digests->fileName()});
    VerifyOutcome outcome{static_cast<std::int64_t>(pieces.count()), {}};
    DigestThreads digest(1);
    std::int64_t done = 0;
    for (std::size_t piece = 0; piece < pieces.count(); ++piece) {
        if (!digests->pieceMatches(piece, digestOf(pieces, piece, digest, done, observer))) {
            outcome.damaged.push_back(pieces.dir().pathOf(pieces.names().name(piece)));
        }
        done += pieces.sizeOf(piece);
    }
    return outcome;
}

}  // namespace morsela
