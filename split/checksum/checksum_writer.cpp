#include "split/checksum/checksum_writer.h"

#include "split/checksum/checksum_file.h"
#include "split/error.h"
#include "split/os/file_handle.h"
#include "split/piece_names.h"

namespace morsela {
namespace {

const Directory& refusingAllButRegular(const Directory& out, const std::string& name) {
    if (const auto existing = out.entry(name)) {
        refuseUnlessRegular(out.pathOf(name), *existing);
    }
    return out;
}

}  // namespace

ChecksumWriter::ChecksumWriter(const Directory& out, std::string_view sourceName, mode_t mode)
    : sourceName_(sourceName),
      file_(refusingAllButRegular(out, checksumFileName(sourceName)), checksumFileName(sourceName),
            mode) {}

void ChecksumWriter::startPiece(BlockCopier& copier) {
    piece_ = Sha256();
    copier.hashInto({&piece_, &source_});
}

void ChecksumWriter::endPiece(std::string_view pieceName) {
    write(checksumLine(piece_.hex(), pieceName));
}

void ChecksumWriter::commit() {
    write(checksumLine(source_.hex(), sourceName_));
    file_.commit(false);
}

void ChecksumWriter::write(const std::string& line) {
    writeFully(file_.file(), line.data(), static_cast<std::int64_t>(line.size()), length_);
    length_ += static_cast<std::int64_t>(line.size());
}

void removeStaleChecksums(const Directory& out, std::string_view sourceName) {
    const std::string name = checksumFileName(sourceName);
    try {
        const auto digests = readChecksums(out, name);
        if (!digests || digests->count(pieceName(sourceName, pieceNumberText(1))) == 0) {
            return;
        }
    } catch (const Error&) {
        return;  // unreadable, not a checksum file, or a name too long to exist: left alone
    }
    out.remove(name);
}

}  // namespace morsela
