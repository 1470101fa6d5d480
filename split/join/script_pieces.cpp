#include "split/join/script_pieces.h"

#include <algorithm>
#include <cerrno>
#include <tuple>

#include "split/error.h"
#include "split/script/script_parser.h"
#include "split/script/script_words.h"

namespace morsela {
namespace {

// The directory part of a path, ending in "/", or empty for a bare name.
std::string directoryOf(const std::string& path) {
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? "" : path.substr(0, slash + 1);
}

// "\" and ":" are directory parts and drives to the interpreter.
bool outsideItsDirectory(const std::string& name) {
    return name == "." || name == ".." || name.find_first_of("/\\:") != std::string::npos;
}

std::string misfit(std::int64_t size, std::int64_t full) {
    return std::to_string(size) + " bytes, which does not fit pieces of " + std::to_string(full) +
           " bytes; a piece is damaged or missing";
}

}  // namespace

ScriptPieces::ScriptPieces(const std::string& scriptPath) : dir_(directoryOf(scriptPath)) {
    const FileHandle script = openSource(scriptPath);
    refuseUnlessRegular(scriptPath, statusOf(script));
    target_ = readRejoinScript(script, [&](const std::string& name, const std::string& target) {
        target_ = target;
        add(name);
    });
    if (outsideItsDirectory(target_)) {
        throw Error::refused(scriptPath, "names \"" + target_ + "\", outside its own directory");
    }
    if (count() > 1 && lastSize_ == 0) {
        throw Error::refused(dir_.pathOf(names_.name(count() - 1)), misfit(0, fullSize_));
    }
    refuseSameFiles();
}

void ScriptPieces::add(const std::string& name) {
    if (outsideItsDirectory(name) || outsideItsDirectory(target_)) {
        const std::string& outside = outsideItsDirectory(name) ? name : target_;
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
    const auto status = dir_.entry(name);
    if (!status) {
        throw Error::ofSource(dir_.pathOf(name), ENOENT);
    }
    if (S_ISLNK(status->st_mode)) {
        throw Error::refused(dir_.pathOf(name), std::string("is a symbolic link; ") + kPiecesOnly);
    }
    refuseUnlessRegular(dir_.pathOf(name), *status);
    // Every piece but the last has the first's size; only the last may be shorter.
    const std::int64_t size = status->st_size;
    if (count() == 0) {
        fullSize_ = size;
        first_ = *status;
    } else if (lastSize_ != fullSize_) {
        throw Error::refused(dir_.pathOf(names_.name(count() - 1)), misfit(lastSize_, fullSize_));
    } else if (size > fullSize_) {
        throw Error::refused(dir_.pathOf(name), misfit(size, fullSize_));
    }
    lastSize_ = size;
    totalBytes_ += size;
    identities_.push_back({status->st_dev, status->st_ino});
}

// Two names of one file (a hard link, or another spelling on a medium that does not tell
// letter cases apart) would join the same bytes twice.
void ScriptPieces::refuseSameFiles() const {
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

std::int64_t ScriptPieces::sizeOf(std::size_t piece) const {
    return piece + 1 == count() ? lastSize_ : fullSize_;
}

FileHandle ScriptPieces::open(std::size_t piece) const {
    FileHandle file = dir_.openRegular(names_.name(piece), kPiecesOnly);
    const struct stat status = statusOf(file);
    const Identity& looked = identities_[piece];
    if (status.st_dev != looked.device || status.st_ino != looked.inode ||
        status.st_size != sizeOf(piece)) {
        throw Error::refused(file.path(), "changed while the pieces were being read");
    }
    return file;
}

}  // namespace morsela
