#include "split/join/script_pieces.h"

#include <cerrno>
#include <unordered_set>

#include "split/block_copier.h"
#include "split/checksum/sha256.h"
#include "split/error.h"
#include "split/script/script_words.h"

namespace morsela {
namespace {

// The directory part of a path, ending in "/", or empty for a bare name.
std::string directoryOf(const std::string& path) {
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? "" : path.substr(0, slash + 1);
}

RejoinCommand readScript(const std::string& path) {
    const FileHandle script = openSource(path);
    refuseUnlessRegular(path, statusOf(script));
    RejoinParser parser;
    try {
        char buffer[65536];
        for (std::int64_t offset = 0, n; (n = readAt(script, buffer, sizeof buffer, offset)) > 0;
             offset += n) {
            parser.feed(std::string_view(buffer, static_cast<std::size_t>(n)));
        }
        return parser.finish();
    } catch (const Error& error) {
        if (!error.path().empty()) {
            throw;
        }
        throw Error::refused(path, error.reason());
    }
}

// "\" and ":" are directory parts and drives to the interpreter. Names are compared as
// Windows compares them, without regard to letter case.
void refuseBadNames(const RejoinCommand& command, const std::string& scriptPath) {
    auto outside = [](const std::string& name) {
        return name == "." || name == ".." || name.find_first_of("/\\:") != std::string::npos;
    };
    if (outside(command.target)) {
        throw Error::refused(scriptPath,
                             "names \"" + command.target + "\", outside its own directory");
    }
    std::unordered_set<std::string> seen{foldCase(command.target)};
    for (const std::string& piece : command.pieces) {
        if (outside(piece)) {
            throw Error::refused(scriptPath, "names \"" + piece + "\", outside its own directory");
        }
        if (!seen.insert(foldCase(piece)).second) {
            throw Error::refused(
                scriptPath,
                foldCase(piece) == foldCase(command.target)
                    ? "the target \"" + piece + "\" is also a piece"
                    : "names the piece \"" + piece + "\" twice; a split never names a piece twice");
        }
    }
}

PieceLook lookAt(const Directory& dir, const std::string& name) {
    const auto status = dir.entry(name);
    if (!status) {
        throw Error::ofSource(dir.pathOf(name), ENOENT);
    }
    if (S_ISLNK(status->st_mode)) {
        throw Error::refused(dir.pathOf(name), std::string("is a symbolic link; ") + kPiecesOnly);
    }
    refuseUnlessRegular(dir.pathOf(name), *status);
    return {name, status->st_dev, status->st_ino, status->st_size, status->st_mode};
}

// Every piece but the last has the size of the first; the last has 1 to that many bytes (0
// only when it is the only one).
void refuseSizesOfNoSplit(const ScriptPieces& pieces) {
    const std::int64_t full = pieces.pieces.front().size;
    for (std::size_t i = 0; i < pieces.pieces.size(); ++i) {
        const PieceLook& piece = pieces.pieces[i];
        const bool last = i + 1 == pieces.pieces.size();
        const bool fits = last ? piece.size <= full && (piece.size > 0 || pieces.pieces.size() == 1)
                               : piece.size == full;
        if (!fits) {
            throw Error::refused(
                pieces.dir.pathOf(piece.name),
                std::to_string(piece.size) + " bytes, which does not fit pieces of " +
                    std::to_string(full) + " bytes; a piece is damaged or missing");
        }
    }
}

}  // namespace

FileHandle ScriptPieces::open(const PieceLook& piece) const {
    FileHandle file = dir.openRegular(piece.name, kPiecesOnly);
    if (!piece.sameAs(statusOf(file))) {
        throw Error::refused(file.path(), "changed while the pieces were being read");
    }
    return file;
}

ScriptPieces lookAtScript(const std::string& scriptPath) {
    RejoinCommand command = readScript(scriptPath);
    refuseBadNames(command, scriptPath);
    ScriptPieces pieces{Directory(directoryOf(scriptPath)), std::move(command.target), {}, 0};
    pieces.pieces.reserve(command.pieces.size());
    for (const std::string& name : command.pieces) {
        pieces.pieces.push_back(lookAt(pieces.dir, name));
        pieces.totalBytes += pieces.pieces.back().size;
    }
    refuseSizesOfNoSplit(pieces);
    return pieces;
}

std::vector<std::string> damagedPieces(const ScriptPieces& pieces, const Digests& digests,
                                       Observer& observer) {
    std::vector<std::string> damaged;
    std::vector<char> buffer(static_cast<std::size_t>(kBufferBlock));
    std::int64_t done = 0;
    for (const PieceLook& look : pieces.pieces) {
        const FileHandle piece = pieces.open(look);
        Sha256 digest;
        for (std::int64_t pos = 0, n; pos < look.size; pos += n) {
            n = readAt(piece, buffer.data(), kBufferBlock, pos);
            if (n == 0) {
                break;
            }
            digest.update(buffer.data(), static_cast<std::size_t>(n));
            observer.progressed(done + pos + n, pieces.totalBytes);
            if (observer.stopRequested()) {
                throw Error::stopped(piece.path(), "stopped");
            }
        }
        done += look.size;
        const auto expected = digests.find(look.name);
        if (expected == digests.end() || digest.hex() != expected->second) {
            damaged.push_back(look.name);
        }
    }
    return damaged;
}

}  // namespace morsela
