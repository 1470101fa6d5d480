#include "engine/join/join_pieces.h"

#include <algorithm>
#include <cerrno>
#include <optional>
#include <tuple>
#include <vector>

#include "engine/error.h"
#include "engine/join/found_beside.h"
#include "engine/piece_names.h"
#include "engine/script/script_parser.h"
#include "engine/script/script_words.h"

namespace morsela {
namespace {

std::string misfit(std::int64_t size, std::int64_t full) {
    return std::to_string(size) + " bytes, which does not fit pieces of " + std::to_string(full) +
           " bytes; " + kMisfitPiece;
}

// Refuses `input`, which the script parser refused: a file whose first line is already no
// script line (a piece's bytes, a document) is neither a script nor a numbered piece, and is
// called that rather than shown back as a script line.
[[noreturn]] void refuseNeither(const std::string& input, bool firstPiece, const Error& error) {
    if (firstPiece) {
        throw Error::refused(input,
                             "is no rejoin script, and no rejoin script beside it "
                             "names it as its first piece; join with the script");
    }
    if (error.reason().starts_with("not a rejoin script: line 1:") ||
        error.reason().starts_with("not a rejoin script: it has no")) {
        throw Error::refused(input, "is neither a rejoin script nor a numbered piece (NAME.001)");
    }
    throw error;
}

}  // namespace

JoinPieces::JoinPieces(const std::string& input, std::shared_ptr<const StandIns> standIns)
    : dir_(directoryPartOf(input)), standIns_(std::move(standIns)) {
    const std::string name = fileNameOf(input);
    const auto [prefix, number] = splitPieceNumber(name);
    // A first piece is joined as the script beside it that names it says; one numbered
    // without a dot (data.tar001: a piece of data.tar.gz) only so. What is found beside a
    // first piece, rather than given, counts only when it belongs with the first piece
    // (found_beside.h): so do the pieces such a script names, and a series' pieces. The
    // pieces a script given names belong with the script alike: in a folder others write
    // in, a piece put under a lost piece's name is not joined.
    std::optional<FileHandle> script =
        number == 1 && !prefix.empty() ? scriptNaming(name, std::string(prefix)) : std::nullopt;
    if (script) {
        readScript(*script);
    } else if (isNumberedName(name)) {
        try {
            readSeries(name);
        } catch (const Error& error) {
            if (!error.path().empty()) {
                throw;
            }
            throw Error::refused(input, error.reason());
        }
    } else {
        try {
            const FileHandle given = openSource(input);
            owner_ = statusOf(given);
            ownerName_ = "the script " + name;
            readScript(given);
        } catch (const Error& error) {
            if (error.kind() != Error::Kind::Refused || error.path() != input) {
                throw;
            }
            refuseNeither(input, number == 1, error);
        }
    }
    if (count() == 0) {
        throw Error::refused(input, "names no piece");
    }
    if (count() > 1 && lastSize_ == 0) {
        throw Error::refused(dir_.pathOf(names_.name(count() - 1)), misfit(0, fullSize_));
    }
    refuseSameFiles();
}

void JoinPieces::readScript(const FileHandle& script) {
    refuseUnlessRegular(script.path(), statusOf(script));
    target_ = readRejoinScript(script, [&](const std::string& name, const std::string& target) {
        target_ = target;
        add(name);
    });
    if (!isPlainName(target_)) {
        throw Error::refused(script.path(), "names \"" + target_ + "\", outside its own directory");
    }
}

// Scripts that may name the pieces are named like them but for the number and end in "bat"
// (archive.bat, archive.zip.bat); the one whose first piece is this one is used, as long as it
// belongs with the pieces (found_beside.h). It is read from the descriptor that was checked.
std::optional<FileHandle> JoinPieces::scriptNaming(const std::string& firstPiece,
                                                   const std::string& prefix) const {
    const auto first = dir_.entry(firstPiece);
    if (!first) {
        return std::nullopt;  // the series' own look says that it is missing
    }
    auto fits = [&](const std::string& name) {
        return name.size() <= prefix.size() + 16 && name.starts_with(prefix) &&
               name.ends_with("bat");
    };
    std::optional<FileHandle> found;
    auto namesFirst = [&](const std::string& name) {
        struct FirstPieceRead {};
        try {
            FileHandle script = dir_.openRegular(name, "a script is read only as itself");
            if (!belongsWithPieces(statusOf(script), *first)) {
                return false;
            }
            bool names = false;
            try {
                readRejoinScript(script, [&](const std::string& piece, const std::string&) {
                    names = piece == firstPiece;
                    throw FirstPieceRead{};
                });
            } catch (const FirstPieceRead&) {
            }
            if (names) {
                found = std::move(script);
            }
            return names;
        } catch (const Error&) {
            return false;  // not a rejoin script, or not one that can be read: not this series'
        }
    };
    soleFileBeside(dir_, dir_.pathOf(firstPiece), *first, fits, namesFirst,
                   {"rejoin scripts", "join the one you mean"});
    return found;
}

void JoinPieces::readSeries(const std::string& named) {
    series_.emplace(dir_, named, standIns_.get());
    target_ = series_->target();
    for (std::int64_t i = 0; i < series_->count(); ++i) {
        add(series_->name(i));
    }
}

bool JoinPieces::isPastTheEnd(std::string_view name) const {
    return series_ ? series_->isPastTheEnd(name) : names_.isPastTheEnd(name);
}

void JoinPieces::add(const std::string& name) {
    if (!isPlainName(name) || !isPlainName(target_)) {
        const std::string& outside = !isPlainName(name) ? name : target_;
        throw Error::refused("", "names \"" + outside + "\", outside its own directory");
    }
    if (foldCase(name) == foldCase(target_)) {
        throw Error::refused("", "the target \"" + name + "\" is also a piece");
    }
    if (count() == kMostPieces) {
        throw Error::refused("", "names more than " + std::to_string(kMostPieces) +
                                     " pieces, more than any split has");
    }
    names_.add(name);
    const auto standIn = standIns_ ? standIns_->statusOf(name) : std::nullopt;
    const auto onDisk = dir_.entry(name);
    const auto status = standIn ? standIn : onDisk;
    if (!status) {
        throw Error::ofSource(dir_.pathOf(name), ENOENT);
    }
    // A piece rebuilt for the join alone speaks for nobody: whose the pieces are, and the
    // bits and group a joined file takes, come from the pieces in the folder, the damaged one
    // it stands in for among them.
    const auto looked =
        !standIn ? status : (onDisk && S_ISREG(onDisk->st_mode) ? onDisk : std::nullopt);
    if (looked) {
        admit(name, *looked);
    }
    // Every piece but the last has the first's size; only the last may be shorter.
    const std::int64_t size = status->st_size;
    if (count() == 0) {
        fullSize_ = size;
    } else if (lastSize_ != fullSize_) {
        throw Error::refused(dir_.pathOf(names_.name(count() - 1)), misfit(lastSize_, fullSize_));
    } else if (size > fullSize_) {
        throw Error::refused(dir_.pathOf(name), misfit(size, fullSize_));
    }
    lastSize_ = size;
    totalBytes_ += size;
    identities_.push_back({status->st_dev, status->st_ino});
}

// A piece in the folder is a regular file itself, of the pieces' owner (or the user, or
// root); the joined file keeps only the bits every piece has, and their group only when they
// all have it.
void JoinPieces::admit(const std::string& name, const struct stat& status) {
    if (S_ISLNK(status.st_mode)) {
        throw Error::refused(dir_.pathOf(name), std::string("is a symbolic link; ") + kPiecesOnly);
    }
    refuseUnlessRegular(dir_.pathOf(name), status);
    if (!owner_) {
        owner_ = status;
        ownerName_ = name;
    } else if (!belongsWithPieces(status, *owner_)) {
        throw Error::refused(dir_.pathOf(name), "belongs to another user than " + ownerName_ +
                                                    "; a piece that someone else added is "
                                                    "not joined");
    }
    mode_ &= status.st_mode;
    group_ = !grouped_ || group_ == status.st_gid ? std::optional(status.st_gid) : std::nullopt;
    grouped_ = true;
}

// Two names of one file (a hard link, or another spelling on a medium that does not tell
// letter cases apart) would join the same bytes twice.
void JoinPieces::refuseSameFiles() const {
    std::vector<std::tuple<dev_t, ino_t, std::size_t>> sorted;
    sorted.reserve(count());
    for (std::size_t i = 0; i < count(); ++i) {
        sorted.emplace_back(identities_[i].device, identities_[i].inode, i);
    }
    std::sort(sorted.begin(), sorted.end());
    for (std::size_t i = 1; i < sorted.size(); ++i) {
        const auto& [device, inode, piece] = sorted[i];
        const auto& [previousDevice, previousInode, previous] = sorted[i - 1];
        if (device == previousDevice && inode == previousInode) {
            const auto [earlier, later] = std::minmax(piece, previous);
            throw Error::refused(dir_.pathOf(names_.name(later)),
                                 "is the same file as " + names_.name(earlier) +
                                     " under another name; a split never names a piece twice");
        }
    }
}

std::int64_t JoinPieces::sizeOf(std::size_t piece) const {
    return piece + 1 == count() ? lastSize_ : fullSize_;
}

FileHandle JoinPieces::open(std::size_t piece) const {
    const std::string name = names_.name(piece);
    FileHandle file = standIns_ && standIns_->has(name) ? standIns_->open(name, dir_.pathOf(name))
                                                        : dir_.openRegular(name, kPiecesOnly);
    const struct stat status = statusOf(file);
    const Identity& looked = identities_[piece];
    if (status.st_dev != looked.device || status.st_ino != looked.inode ||
        status.st_size != sizeOf(piece)) {
        throw Error::refused(file.path(), "changed while the pieces were being read");
    }
    return file;
}

}  // namespace morsela
