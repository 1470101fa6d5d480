#include "split/piece_checksums.h"

#include "split/checksum_file.h"
#include "split/file_handle.h"
#include "split/piece_names.h"
#include "split/split_error.h"

namespace morsela {
namespace {

// Far above the checksum file of any split: one line of at most 330 bytes per piece.
constexpr std::int64_t kLongestChecksums = 64 * 1024 * 1024;

// Refused before anything is written: what stands under the name is renamed over at the end.
const Directory& checkedFor(const Directory& out, const std::string& name) {
    if (const auto existing = out.entry(name)) {
        refuseUnlessRegular(out.pathOf(name), *existing);
    }
    return out;
}

}  // namespace

PieceChecksums::PieceChecksums(const Directory& out, std::string_view sourceName, mode_t mode)
    : sourceName_(sourceName),
      file_(checkedFor(out, checksumFileName(sourceName)), checksumFileName(sourceName), mode) {}

void PieceChecksums::startPiece(BlockCopier& copier) {
    piece_ = Sha256();
    copier.hashInto({&piece_, &source_});
}

void PieceChecksums::endPiece(std::string_view pieceName) {
    const std::string line = checksumLine(piece_.hex(), pieceName);
    writeFully(file_.file(), line.data(), static_cast<std::int64_t>(line.size()), length_);
    length_ += static_cast<std::int64_t>(line.size());
}

void PieceChecksums::commit() {
    const std::string line = checksumLine(source_.hex(), sourceName_);
    writeFully(file_.file(), line.data(), static_cast<std::int64_t>(line.size()), length_);
    file_.commit(false);
}

std::optional<std::map<std::string, std::string>> readChecksums(const Directory& dir,
                                                                const std::string& fileName) {
    if (!dir.entry(fileName)) {
        return std::nullopt;
    }
    const FileHandle file = dir.openRegular(fileName, "only the checksum file itself is read");
    const std::int64_t size = statusOf(file).st_size;
    if (size > kLongestChecksums) {
        throw refusal(file.path() + ": too large to be a checksum file");
    }
    std::string text(static_cast<std::size_t>(size), '\0');
    text.resize(static_cast<std::size_t>(readAt(file, text.data(), size, 0)));
    try {
        return parseChecksums(text);
    } catch (const SplitError& error) {
        throw refusal(file.path() + ": " + error.detail());
    }
}

void removeStaleChecksums(const Directory& out, std::string_view sourceName) {
    const std::string name = checksumFileName(sourceName);
    try {
        const auto digests = readChecksums(out, name);
        if (!digests || digests->count(pieceName(sourceName, pieceNumberText(1))) == 0) {
            return;
        }
    } catch (const SplitError&) {
        return;  // unreadable, not a checksum file, or a name too long to exist: left alone
    }
    out.remove(name);
}

}  // namespace morsela
