#include "split/join_file.h"

#include <sys/stat.h>
#include <unistd.h>
#include <algorithm>
#include <cerrno>
#include <map>
#include <optional>
#include <unordered_set>
#include <utility>
#include <vector>

#include "split/block_copier.h"
#include "split/checksum_file.h"
#include "split/directory.h"
#include "split/file_calls.h"
#include "split/file_handle.h"
#include "split/piece_checksums.h"
#include "split/rejoin_script.h"
#include "split/sha256.h"
#include "split/split_error.h"

namespace morsela {
namespace {

constexpr const char* kPiecesOnly = "join reads only the pieces themselves";

// Reads the script in portions, so that a script of any length needs no more memory than
// the list of its pieces.
RejoinCommand readScript(const std::string& path) {
    FileHandle script = openSource(path);
    refuseUnlessRegular(path, statusOf(script));
    RejoinParser parser;
    char buffer[65536];
    for (std::int64_t offset = 0;;) {
        const std::int64_t n = readAt(script, buffer, sizeof buffer, offset);
        if (n == 0) {
            break;
        }
        try {
            parser.feed(std::string_view(buffer, static_cast<std::size_t>(n)));
        } catch (const SplitError& error) {
            throw refusal(path + ": " + error.detail());
        }
        offset += n;
    }
    try {
        return parser.finish();
    } catch (const SplitError& error) {
        throw refusal(path + ": " + error.detail());
    }
}

// Refuses names outside the script's directory ("\" and ":" are directory parts and drives
// to the interpreter), a piece named twice, which no split writes (a script could otherwise
// ask for one piece a thousand times over), and a target that is also a piece. Names are
// compared as Windows compares them, without regard to letter case.
void refuseBadNames(const RejoinCommand& command, const std::string& scriptPath) {
    auto outside = [](const std::string& name) {
        return name == "." || name == ".." || name.find_first_of("/\\:") != std::string::npos;
    };
    if (outside(command.target)) {
        throw refusal(scriptPath + ": names \"" + command.target + "\", outside its own directory");
    }
    std::unordered_set<std::string> seen{foldCase(command.target)};
    for (const std::string& piece : command.pieces) {
        if (outside(piece)) {
            throw refusal(scriptPath + ": names \"" + piece + "\", outside its own directory");
        }
        if (!seen.insert(foldCase(piece)).second) {
            throw refusal(scriptPath + ": " +
                          (foldCase(piece) == foldCase(command.target)
                               ? "the target \"" + piece + "\" is also a piece"
                               : "names the piece \"" + piece +
                                     "\" twice; a split never names a piece twice"));
        }
    }
}

// What the first look saw of a piece: enough to know it again when it is opened.
struct PieceLook {
    dev_t device;
    ino_t inode;
    std::int64_t size;
    mode_t mode;
    bool sameAs(const struct stat& status) const {
        return status.st_dev == device && status.st_ino == inode && status.st_size == size;
    }
};

// A first look at every piece, by name and without opening it: each is there, a regular
// file (not a link), and the sizes can come from one split: every piece but the last has
// the size of the first; the last has 1 to that many bytes (0 only when it is the only one).
std::vector<PieceLook> lookAtPieces(const Directory& dir, const std::vector<std::string>& names) {
    std::vector<PieceLook> pieces;
    pieces.reserve(names.size());
    for (const std::string& name : names) {
        const auto status = dir.entry(name);
        if (!status) {
            throw sourceError(dir.pathOf(name), ENOENT);
        }
        if (S_ISLNK(status->st_mode)) {
            throw refusal(dir.pathOf(name) + " is a symbolic link; " + kPiecesOnly);
        }
        refuseUnlessRegular(dir.pathOf(name), *status);
        pieces.push_back({status->st_dev, status->st_ino, status->st_size, status->st_mode});
    }
    const std::int64_t full = pieces.front().size;
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        const std::int64_t size = pieces[i].size;
        const bool last = i + 1 == pieces.size();
        const bool fits = last ? size <= full && (size > 0 || pieces.size() == 1) : size == full;
        if (!fits) {
            throw refusal(dir.pathOf(names[i]) + ": " + std::to_string(size) +
                          " bytes, which does not fit pieces of " + std::to_string(full) +
                          " bytes; a piece is damaged or missing");
        }
    }
    return pieces;
}

using Digests = std::map<std::string, std::string>;

// The digest a piece must have; a piece without a line cannot be checked.
const std::string& expectedDigest(const Digests& digests, const Directory& dir,
                                  const std::string& name) {
    const auto found = digests.find(name);
    if (found == digests.end()) {
        throw refusal(dir.pathOf(name) + ": has no line in the checksum file");
    }
    return found->second;
}

std::string damagedText(const std::string& path) {
    return path + ": checksum does not match; the piece is damaged";
}

// Reads every piece once and gives those whose digest is not the expected one.
std::vector<std::string> checkPieces(const Directory& dir, const std::vector<std::string>& names,
                                     const std::vector<PieceLook>& looked, const Digests& digests) {
    std::vector<std::string> damaged;
    std::vector<char> buffer(static_cast<std::size_t>(BLOCK_MAX));
    for (std::size_t i = 0; i < names.size(); ++i) {
        const auto expected = digests.find(names[i]);
        const FileHandle piece = dir.openRegular(names[i], kPiecesOnly);
        Sha256 digest;
        for (std::int64_t pos = 0; pos < looked[i].size;) {
            const std::int64_t n = readAt(piece, buffer.data(), BLOCK_MAX, pos);
            if (n == 0) {
                break;
            }
            digest.update(buffer.data(), static_cast<std::size_t>(n));
            pos += n;
        }
        if (expected == digests.end() || digest.hex() != expected->second) {
            damaged.push_back(names[i]);
        }
    }
    return damaged;
}

// The directory part of a path, ending in "/", or empty for a bare name.
std::string directoryOf(const std::string& path) {
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? "" : path.substr(0, slash + 1);
}

// Where the target goes: its directory and its name there.
std::pair<std::string, std::string> targetPlace(const std::string& scriptPath,
                                                const std::string& target,
                                                const std::string& output) {
    if (output.empty()) {
        return {directoryOf(scriptPath), target};
    }
    struct stat status {};
    if (output.back() == '/' || (::stat(output.c_str(), &status) == 0 && S_ISDIR(status.st_mode))) {
        return {output.back() == '/' ? output : output + "/", target};
    }
    const std::string dir = directoryOf(output);
    return {dir, output.substr(dir.size())};
}

}  // namespace

std::string joinFromScript(const std::string& scriptPath, const JoinOptions& options) {
    const RejoinCommand command = readScript(scriptPath);
    refuseBadNames(command, scriptPath);
    const Directory dir(directoryOf(scriptPath));
    const std::vector<PieceLook> looked = lookAtPieces(dir, command.pieces);

    const auto [targetDir, targetName] = targetPlace(scriptPath, command.target, options.output);
    const Directory into(targetDir);
    if (!options.replace && into.entry(targetName)) {
        throw refusal(into.pathOf(targetName) + ": already exists; use --force to replace it");
    }
    std::int64_t total = 0;
    for (const PieceLook& piece : looked) {
        total += piece.size;
    }
    // With a checksum file, every piece is checked before anything is written, each again
    // as it is copied, and the target once it is whole.
    const std::optional<Digests> digests =
        options.verify ? readChecksums(dir, checksumFileName(command.target)) : std::nullopt;
    if (digests) {
        for (const std::string& name : command.pieces) {
            expectedDigest(*digests, dir, name);
        }
        const auto damaged = checkPieces(dir, command.pieces, looked, *digests);
        if (!damaged.empty()) {
            throw refusal(damagedText(dir.pathOf(damaged.front())));
        }
    }
    // Digests are made only against a checksum file: libcrypto is not even loaded otherwise.
    std::optional<Sha256> targetDigest;
    if (digests) {
        targetDigest.emplace();
    }
    // The target is as private as the pieces it is made of.
    TemporaryFile joined(into, targetName, looked.front().mode & 0777);
    std::int64_t written = 0;
    for (std::size_t i = 0; i < command.pieces.size(); ++i) {
        // Each piece is opened once and copied from the descriptor that was checked, so a
        // piece swapped for a link or another file after the first look is never read.
        const FileHandle piece = dir.openRegular(command.pieces[i], kPiecesOnly);
        const std::int64_t size = looked[i].size;
        if (!looked[i].sameAs(statusOf(piece))) {
            throw refusal(piece.path() + ": changed while the pieces were being joined");
        }
        BlockCopier copier(piece);
        std::optional<Sha256> pieceDigest;
        if (digests) {
            pieceDigest.emplace();
            copier.hashInto({&*pieceDigest, &*targetDigest});
        }
        for (std::int64_t pos = 0, block = 0; pos < size; pos += block) {
            block = std::min(copier.blockLength(size), size - pos);
            copier.copy(pos, joined.file(), written + pos, block);
            if (options.progress != nullptr) {
                options.progress->progressBytes(written + pos + block, total);
                if (options.progress->stopRequested()) {
                    throw SplitStopped();  // the temporary file goes with the stack
                }
            }
        }
        written += size;
        copier.finish(joined.file(), written);
        copier.checkLength(size);
        if (digests && pieceDigest->hex() != expectedDigest(*digests, dir, command.pieces[i])) {
            throw refusal(damagedText(piece.path()));
        }
    }
    if (digests) {
        const auto expected = digests->find(command.target);
        if (expected != digests->end() && targetDigest->hex() != expected->second) {
            throw refusal(into.pathOf(targetName) + ": checksum does not match after joining");
        }
    }
    joined.commit(true);
    return into.pathOf(targetName);
}

std::vector<std::string> damagedPieces(const std::string& scriptPath) {
    const RejoinCommand command = readScript(scriptPath);
    refuseBadNames(command, scriptPath);
    const Directory dir(directoryOf(scriptPath));
    const std::vector<PieceLook> looked = lookAtPieces(dir, command.pieces);
    const std::optional<Digests> digests = readChecksums(dir, checksumFileName(command.target));
    if (!digests) {
        throw refusal(dir.pathOf(checksumFileName(command.target)) +
                      ": no checksum file to verify the pieces against");
    }
    return checkPieces(dir, command.pieces, looked, *digests);
}

}  // namespace morsela
