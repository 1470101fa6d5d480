#include "split/join/join.h"

#include <algorithm>
#include <cerrno>
#include <optional>
#include <utility>

#include "split/block_copier.h"
#include "split/checksum/checksum_file.h"
#include "split/checksum/sha256.h"
#include "split/error.h"
#include "split/join/script_pieces.h"
#include "split/os/directory.h"
#include "split/os/file_calls.h"
#include "split/os/temporary_file.h"

namespace morsela {
namespace {

std::string damagedReason() {
    return "checksum does not match; the piece is damaged";
}

// Where the target goes: its directory and its name there.
std::pair<std::string, std::string> targetPlace(const std::string& scriptPath,
                                                const std::string& target,
                                                const std::string& output) {
    if (output.empty()) {
        const auto slash = scriptPath.rfind('/');
        return {slash == std::string::npos ? "" : scriptPath.substr(0, slash + 1), target};
    }
    struct stat status {};
    if (output.back() == '/' ||
        (sys::fstatat(AT_FDCWD, output.c_str(), &status, 0) == 0 && S_ISDIR(status.st_mode))) {
        return {output, target};
    }
    const auto slash = output.rfind('/');
    const std::string dir = slash == std::string::npos ? "" : output.substr(0, slash + 1);
    return {dir, output.substr(dir.size())};
}

// The digests to check against, when asked to and there is a checksum file: every piece
// must have its line, and all are checked before anything is written.
std::optional<Digests> checkedDigests(const ScriptPieces& pieces, Observer& observer) {
    std::optional<Digests> digests = readChecksums(pieces.dir, checksumFileName(pieces.target));
    if (!digests) {
        return digests;
    }
    for (const PieceLook& piece : pieces.pieces) {
        if (digests->count(piece.name) == 0) {
            throw Error::refused(pieces.dir.pathOf(piece.name), "has no line in the checksum file");
        }
    }
    // This first read is not shown as progress: the bar follows the copy.
    struct StopsOnly : Observer {
        explicit StopsOnly(Observer& observer) : observer(observer) {}
        bool stopRequested() override { return observer.stopRequested(); }
        Observer& observer;
    } stopsOnly(observer);
    const auto damaged = damagedPieces(pieces, *digests, stopsOnly);
    if (!damaged.empty()) {
        throw Error::refused(pieces.dir.pathOf(damaged.front()), damagedReason());
    }
    return digests;
}

// Appends one piece to the target at `offset`, block by block, hashing it into `digests`
// when there are any. Digests are made only against a checksum file: libcrypto is not even
// loaded otherwise.
void appendPiece(const ScriptPieces& pieces, const PieceLook& look, const FileHandle& target,
                 std::int64_t offset, const Digests* digests, Sha256* targetDigest,
                 Observer& observer) {
    const FileHandle piece = pieces.open(look);
    BlockCopier copier(piece);
    std::optional<Sha256> pieceDigest;
    if (digests != nullptr) {
        pieceDigest.emplace();
        copier.hashInto({&*pieceDigest, targetDigest});
    }
    for (std::int64_t pos = 0, block = 0; pos < look.size; pos += block) {
        block = std::min(copier.blockLength(look.size), look.size - pos);
        copier.copy(pos, target, offset + pos, block);
        observer.progressed(offset + pos + block, pieces.totalBytes);
        if (observer.stopRequested()) {
            throw Error::stopped(target.path(), "stopped; the target was not written");
        }
    }
    copier.finish(target, offset + look.size);
    copier.checkLength(look.size);
    if (digests != nullptr && pieceDigest->hex() != digests->at(look.name)) {
        throw Error::refused(piece.path(), damagedReason());
    }
}

}  // namespace

JoinOutcome join(const JoinRequest& request, Observer& observer) {
    const ScriptPieces pieces = lookAtScript(request.script);
    const auto [targetDir, targetName] = targetPlace(request.script, pieces.target, request.output);
    const Directory into(targetDir);
    if (!request.replace && into.entry(targetName)) {
        throw Error::refused(into.pathOf(targetName), "already exists; use --force to replace it");
    }
    const std::optional<Digests> digests =
        request.verify ? checkedDigests(pieces, observer) : std::nullopt;
    JoinOutcome outcome{into.pathOf(targetName), static_cast<std::int64_t>(pieces.pieces.size()),
                        pieces.totalBytes, digests.has_value()};
    observer.joinStarted({outcome.target, outcome.pieces, outcome.bytes, outcome.verified});

    std::optional<Sha256> targetDigest;
    if (digests) {
        targetDigest.emplace();
    }
    // The target is as private as the pieces it is made of.
    TemporaryFile joined(into, targetName, pieces.pieces.front().mode & 0777);
    std::int64_t offset = 0;
    for (const PieceLook& look : pieces.pieces) {
        appendPiece(pieces, look, joined.file(), offset, digests ? &*digests : nullptr,
                    targetDigest ? &*targetDigest : nullptr, observer);
        offset += look.size;
    }
    if (digests) {
        const auto expected = digests->find(pieces.target);
        if (expected != digests->end() && targetDigest->hex() != expected->second) {
            throw Error::refused(outcome.target, "checksum does not match after joining");
        }
    }
    joined.commit(true);
    return outcome;
}

}  // namespace morsela
