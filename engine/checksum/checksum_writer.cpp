#include "engine/checksum/checksum_writer.h"

#include <cerrno>

#include "engine/checksum/checksum_file.h"
#include "engine/error.h"
#include "engine/os/file_calls.h"
#include "engine/os/file_handle.h"
#include "engine/os/file_owner.h"
#include "engine/piece_names.h"

namespace morsela {
namespace {

const Directory& refusingAllButRegular(const Directory& out, const std::string& name) {
    if (const auto existing = out.entry(name)) {
        refuseUnlessRegular(out.pathOf(name), *existing);
    }
    return out;
}

}  // namespace

ChecksumWriter::ChecksumWriter(const Directory& out, std::string_view sourceName,
                               const struct stat& source)
    : sourceName_(sourceName),
      file_(refusingAllButRegular(out, checksumFileName(sourceName)), checksumFileName(sourceName),
            source.st_mode & 0777) {
    file_.keepGroupOf(source);
}

void ChecksumWriter::written(const FileHandle& piece, std::int64_t offset, std::int64_t length) {
    digests_.add(piece, offset, length);
}

ChecksumWriter::~ChecksumWriter() {
    for (const Waiting& piece : waiting_) {
        sys::fchmod(piece.file.fd(), piece.mode);
    }
}

void ChecksumWriter::endPiece(const FileHandle& piece, const std::string& pieceName, mode_t mode) {
    const int fd = sys::dup(piece.fd());
    if (fd < 0) {
        throw Error::ofOutput(piece.path(), errno);
    }
    digests_.end(0);
    waiting_.push_back({pieceName, FileHandle(fd, piece.path()), mode});
    // Many small pieces: they wait, each with a descriptor, only so long.
    writeLines(waiting_.size() > 64);
}

std::int64_t ChecksumWriter::piecesVouchedFor() {
    try {
        writeLines(true);
    } catch (const Error&) {
        // The pieces from the one whose reading back failed on are not vouched for.
    }
    return vouched_;
}

void ChecksumWriter::commit(bool durable) {
    writeLines(true);
    digests_.end(1);
    write(checksumLine(digests_.ended(1, true).at(0), sourceName_));
    file_.commit(durable);
}

void ChecksumWriter::writeLines(bool all) {
    for (const std::string& hex : digests_.ended(0, all)) {
        Waiting& piece = waiting_.front();
        write(checksumLine(hex, piece.name));
        setMode(piece.file, piece.mode);
        closeOutput(piece.file);
        waiting_.pop_front();
        ++vouched_;
    }
}

void ChecksumWriter::write(const std::string& line) {
    writeFully(file_.file(), line.data(), static_cast<std::int64_t>(line.size()), length_);
    length_ += static_cast<std::int64_t>(line.size());
}

void removeStaleChecksums(const Directory& out, std::string_view target,
                          const std::string& firstPiece) {
    const std::string name = checksumFileName(target);
    bool namesFirstPiece = false;
    try {
        const auto read = forEachChecksum(out, name, [&](const ChecksumLine& line, std::size_t) {
            namesFirstPiece = namesFirstPiece || line.name == firstPiece;
        });
        // Lines a split never writes (a signature) make the file someone else's.
        namesFirstPiece = namesFirstPiece && read && read->improperLines == 0;
    } catch (const Error&) {
        return;  // unreadable, or not a checksum file: left alone
    }
    if (namesFirstPiece) {
        out.remove(name);
    }
}

}  // namespace morsela
