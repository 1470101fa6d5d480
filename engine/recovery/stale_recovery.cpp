#include "engine/recovery/stale_recovery.h"

#include <algorithm>

#include "engine/error.h"
#include "engine/join/owner_rules.h"
#include "engine/os/file_calls.h"
#include "engine/piece_names.h"
#include "engine/recovery/packet_reader.h"
#include "engine/script/piece_list.h"
#include "engine/script/script_words.h"

namespace morsela::recovery {
namespace {

// What the pieces' names begin with: the source's name but its last three characters, less
// a dot before the number (film of film.001, data.tar of data.tar001).
std::string stemOf(const std::string& sourceName) {
    std::string stem = sourceName.substr(0, keptLength(sourceName));
    if (!stem.empty() && stem.back() == '.') {
        stem.pop_back();
    }
    return stem;
}

// Names as the medium compares them.
struct Naming {
    bool folds = false;
    bool same(std::string_view a, std::string_view b) const {
        return a == b || (folds && foldCase(a) == foldCase(b));
    }
};

bool isPieceName(const std::string& name, const std::string& prefix, const Naming& naming) {
    const auto [namePrefix, number] = splitPieceNumber(name);
    return number >= 1 && naming.same(namePrefix, prefix);
}

// Whether every recovery set the open file holds describes only pieces of this source.
bool describesOnlyPieces(const FileHandle& file, const std::string& name, const std::string& prefix,
                         const Naming& naming) {
    try {
        PacketReader reader(false);
        reader.read(file, name);
        const std::vector<RecoverySet> sets = reader.completeSets();
        return !sets.empty() && std::all_of(sets.begin(), sets.end(), [&](const auto& set) {
            return std::all_of(set.files.begin(), set.files.end(), [&](const auto& piece) {
                return isPieceName(piece.name, prefix, naming);
            });
        });
    } catch (const Error&) {
        return false;  // no recovery file that can be read: not identified, left alone
    }
}

// Whose files may be taken for the earlier split's: the user's, root's, and those of the
// owner of the first piece there.
struct stat ownerOfPieces(const Directory& out, const std::string& sourceName) {
    const auto first = out.entry(pieceName(sourceName, pieceNumberText(1)));
    if (first && S_ISREG(first->st_mode)) {
        return *first;
    }
    struct stat user {};
    user.st_uid = sys::effectiveUser();
    return user;
}

}  // namespace

bool mayBeRecoveryFileOf(const std::string& name, const std::string& sourceName) {
    const std::string stem = stemOf(sourceName);
    return !stem.empty() && name.size() >= stem.size() + 5 &&
           foldCase(name.substr(0, stem.size())) == foldCase(stem) &&
           foldCase(name.substr(name.size() - 5)) == ".PAR2";
}

std::vector<IdentifiedPiece> identifyStaleRecovery(const Directory& out,
                                                   const std::string& sourceName,
                                                   const std::vector<std::string>& listed,
                                                   const struct stat& source) {
    const std::string prefix = sourceName.substr(0, keptLength(sourceName));
    const struct stat owner = ownerOfPieces(out, sourceName);
    std::vector<IdentifiedPiece> stale;
    for (const std::string& name : listed) {
        const auto status = out.entry(name);
        if (!isPlainName(name) || !status || !S_ISREG(status->st_mode) ||
            (status->st_dev == source.st_dev && status->st_ino == source.st_ino) ||
            !belongsWithPieces(*status, owner)) {
            continue;
        }
        const Naming naming{out.foldsCase(name)};
        try {
            const FileHandle file = out.openRegular(name, "a recovery file is read only as itself");
            const struct stat opened = statusOf(file);
            if (opened.st_dev == status->st_dev && opened.st_ino == status->st_ino &&
                describesOnlyPieces(file, name, prefix, naming)) {
                stale.push_back({name, FileIdentity::of(opened)});
            }
        } catch (const Error&) {
            // swapped for a link or gone meanwhile: not identified
        }
    }
    return stale;
}

void removeStaleRecovery(const Directory& out, const std::vector<IdentifiedPiece>& files,
                         Observer& observer) {
    std::int64_t removed = 0;
    for (const IdentifiedPiece& file : files) {
        if (removeIdentified(out, file)) {
            ++removed;
        }
    }
    if (removed > 0) {
        observer.notice({out.given(), std::to_string(removed) +
                                          (removed == 1 ? " recovery file" : " recovery files") +
                                          " of the earlier split " +
                                          (removed == 1 ? "was removed" : "were removed")});
    }
}

}  // namespace morsela::recovery
