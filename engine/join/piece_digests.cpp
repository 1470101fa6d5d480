#include "engine/join/piece_digests.h"

#include <algorithm>

#include "engine/checksum/checksum_file.h"
#include "engine/error.h"
#include "engine/join/found_beside.h"
#include "engine/join/listed_order.h"
#include "engine/os/file_calls.h"
#include "engine/os/file_handle.h"

namespace morsela {
namespace {

// 64 hexadecimal digits as the 32 bytes they stand for.
std::string bytesOf(const std::string& hex) {
    std::string bytes(hex.size() / 2, '\0');
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        bytes[i] = static_cast<char>(std::stoi(hex.substr(2 * i, 2), nullptr, 16));
    }
    return bytes;
}

std::string twoDigests(const std::string& name) {
    return "gives " + name + " two different digests";
}

// Whether the first checksum line, within the first few KiB of the checksum file `name`, is
// about `piece`; lines sha256sum does not read (a signature's header) are passed over. Only
// the start is read, however long the file.
bool firstLineNames(const Directory& dir, const std::string& name, const std::string& piece) {
    try {
        const FileHandle file = dir.openRegular(name, "only the checksum file itself is read");
        char start[8192];
        const auto length = readAt(file, start, sizeof start, 0);
        std::string_view text(start, static_cast<std::size_t>(std::max<std::int64_t>(length, 0)));
        const bool whole = length < static_cast<std::int64_t>(sizeof start);
        ChecksumLineReader reader;
        while (!text.empty()) {
            std::size_t end = text.find('\n');
            if (end == std::string_view::npos && !whole) {
                return false;  // the line goes on past what was read
            }
            end = std::min(end, text.size());
            ChecksumLine line;
            if (reader.read(text.substr(0, end), line) == ChecksumLineReader::Kind::Checksum) {
                return line.name == piece;
            }
            text.remove_prefix(std::min(end + 1, text.size()));
        }
    } catch (const Error&) {
        // unreadable: not this series'
    }
    return false;
}

// The checksum file `name` beside the pieces, opened once; nothing when there is none (or no
// file can have that name), or when it belongs to another user than the pieces: a file found
// beside them speaks for them only then (found_beside.h).
std::optional<FileHandle> openChecksumFile(const JoinPieces& pieces, const std::string& name) {
    struct stat status {};
    if (sys::fstatat(pieces.dir().fd(), name.c_str(), &status, AT_SYMLINK_NOFOLLOW) != 0) {
        if (errno == ENOENT || errno == ENAMETOOLONG) {
            return std::nullopt;
        }
        throw Error::ofSource(pieces.dir().pathOf(name), errno);
    }
    FileHandle file = pieces.dir().openRegular(name, "only the checksum file itself is read");
    if (!belongsWithPieces(statusOf(file), pieces.ownerStatus())) {
        return std::nullopt;
    }
    return file;
}

// The checksum file to read: TARGET.sha256. A numbered series without a script, when there
// is no NAME.sha256 of its own, takes the checksum file beside it named like its pieces whose
// first line names the first piece (film.mkv.sha256 for film.001): what a split with
// --checksum wrote, its script since lost. Its lines then say how many pieces there were. It
// must belong with the pieces, and be the only one (found_beside.h).
std::optional<FileHandle> checksumFileOf(const JoinPieces& pieces, std::string& fileName) {
    fileName = checksumFileName(pieces.target());
    std::optional<FileHandle> own = openChecksumFile(pieces, fileName);
    if (own || !pieces.isSeries()) {
        return own;
    }
    const std::string prefix = pieces.target() + ".";
    const std::string& first = pieces.names().name(0);
    const auto found = soleFileBeside(
        pieces.dir(), pieces.dir().pathOf(first), pieces.ownerStatus(),
        [&](const std::string& name) {
            return name != fileName && name.size() <= prefix.size() + 32 &&
                   name.starts_with(prefix) && name.ends_with(".sha256");
        },
        [&](const std::string& name) { return firstLineNames(pieces.dir(), name, first); },
        {"checksum files", "remove the one that is not theirs"});
    if (!found) {
        return std::nullopt;
    }
    fileName = *found;
    return openChecksumFile(pieces, fileName);
}

void tellPassedOver(const std::string& path, std::size_t lines, Observer& observer) {
    if (lines > 0) {
        observer.notice({path, lines == 1 ? "1 line is no checksum line that sha256sum reads; "
                                            "it was passed over"
                                          : std::to_string(lines) +
                                                " lines are no checksum lines that sha256sum "
                                                "reads; they were passed over"});
    }
}

}  // namespace

std::optional<PieceDigests> PieceDigests::read(const JoinPieces& pieces, Observer& observer) {
    PieceDigests digests;
    const std::optional<FileHandle> file = checksumFileOf(pieces, digests.fileName_);
    if (!file) {
        return std::nullopt;
    }
    const std::string path = pieces.dir().pathOf(digests.fileName_);
    ListedOrder order(pieces, path);
    const ChecksumFileRead found =
        forEachChecksum(*file, [&](const ChecksumLine& line, std::size_t number) {
            const std::string where = "line " + std::to_string(number) + " ";
            if (line.name == pieces.target()) {
                if (!digests.target_.empty() && digests.target_ != line.hex) {
                    throw Error::refused(path, where + twoDigests(line.name));
                }
                digests.target_ = line.hex;
            } else if (const auto piece = pieces.names().indexOf(line.name)) {
                if (digests.known_.empty()) {
                    digests.known_.assign(pieces.count(), false);
                    digests.digests_.assign(32 * pieces.count(), '\0');
                }
                const std::string bytes = bytesOf(line.hex);
                if (digests.known_[*piece] && !digests.pieceMatches(*piece, line.hex)) {
                    throw Error::refused(path, where + twoDigests(line.name));
                }
                if (!digests.known_[*piece]) {
                    order.piece(*piece, line.name, number);
                }
                digests.digests_.replace(32 * *piece, 32, bytes);
                digests.known_[*piece] = true;
            } else if (pieces.isPastTheEnd(line.name) && pieces.isSeries()) {
                throw Error::refused(path, where + "names " + line.name +
                                               ", which is not there: the pieces from it on are "
                                               "missing, or it was left over");
            } else if (pieces.isPastTheEnd(line.name)) {
                throw Error::refused(path, where + "names " + line.name +
                                               ", a piece the script does not name; the script "
                                               "has lost a line or the piece is left over");
            } else {
                order.other(line.name, number);
            }
        });
    if (digests.known_.empty() && digests.target_.empty()) {
        throw Error::refused(path, "has no line for " + pieces.target() +
                                       " or its pieces as they are named here, so nothing "
                                       "can be checked against it; without checking, join "
                                       "with --no-verify");
    }
    tellPassedOver(path, found.improperLines, observer);
    const auto missing = std::find(digests.known_.begin(), digests.known_.end(), false);
    if (!digests.known_.empty() && missing != digests.known_.end()) {
        const std::string name =
            pieces.names().name(static_cast<std::size_t>(missing - digests.known_.begin()));
        throw Error::refused(pieces.dir().pathOf(name), "has no line in the checksum file");
    }
    digests.forPieces_ = !digests.known_.empty();
    return digests;
}

bool PieceDigests::pieceMatches(std::size_t piece, const std::string& hex) const {
    return known_[piece] && digests_.compare(32 * piece, 32, bytesOf(hex)) == 0;
}

}  // namespace morsela
