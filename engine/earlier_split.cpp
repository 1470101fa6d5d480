#include "engine/earlier_split.h"

#include "engine/error.h"
#include "engine/join/owner_rules.h"
#include "engine/os/file_handle.h"
#include "engine/piece_names.h"
#include "engine/script/script_parser.h"
#include "engine/script/script_words.h"

namespace morsela {
namespace {

// A script under this name, read; nothing when the file is no rejoin script.
std::optional<EarlierSplit> readEarlier(const Directory& out, const std::string& name) {
    EarlierSplit earlier{name, "", {}, false};
    try {
        const FileHandle file = out.openRegular(name, "a rejoin script is read only as itself");
        earlier.scriptStatus = statusOf(file);
        earlier.target = readRejoinScript(
            file, [&](const std::string& piece, const std::string&) { earlier.pieces.add(piece); });
    } catch (const Error& error) {
        if (error.kind() != Error::Kind::Refused) {
            throw;
        }
        return std::nullopt;
    }
    return earlier;
}

}  // namespace

std::vector<IdentifiedPiece> identifyPieces(const Directory& out, const EarlierSplit& earlier,
                                            const std::string& sourceName,
                                            const struct stat& source) {
    const std::string prefix = sourceName.substr(0, keptLength(sourceName));
    std::vector<IdentifiedPiece> pieces;
    for (std::size_t i = 0; i < earlier.pieces.size(); ++i) {
        const std::string name = earlier.pieces.name(i);
        const auto [namePrefix, number] = splitPieceNumber(name);
        const bool namedAsOurs =
            namePrefix == prefix || (earlier.foldsCase && foldCase(namePrefix) == foldCase(prefix));
        if (!isPlainName(name) || number == 0 || !namedAsOurs) {
            continue;
        }
        const auto status = out.entry(name);
        const bool isSource =
            status && status->st_dev == source.st_dev && status->st_ino == source.st_ino;
        if (status && S_ISREG(status->st_mode) && !isSource &&
            belongsWithPieces(earlier.scriptStatus, *status)) {
            pieces.push_back({name, FileIdentity::of(*status)});
        }
    }
    return pieces;
}

bool removeIdentified(const Directory& out, const IdentifiedPiece& piece) {
    const auto status = out.entry(piece.name);
    if (!status || !S_ISREG(status->st_mode) || !piece.identity.matches(*status)) {
        return false;
    }
    out.remove(piece.name);
    return true;
}

bool mayBeScriptOf(const std::string& name, const std::string& sourceName) {
    const std::string kept = sourceName.substr(0, keptLength(sourceName));
    return name.size() > kept.size() && name.size() <= kept.size() + 16 &&
           foldCase(name.substr(0, kept.size())) == foldCase(kept) &&
           foldCase(name.substr(name.size() - 3)) == "BAT";
}

std::vector<EarlierSplit> earlierSplits(const Directory& out, const std::string& sourceName,
                                        const std::vector<std::string>& candidates) {
    const std::string ownNames[] = {scriptName(sourceName), ruleScriptName(sourceName)};
    const std::string firstPiece = pieceName(sourceName, pieceNumberText(1));
    std::vector<EarlierSplit> found;
    for (const std::string& name : candidates) {
        // Names are the same as the medium compares them: on FAT and exFAT, in any case.
        const bool folds = out.foldsCase(name);
        auto same = [folds](const std::string& a, const std::string& b) {
            return a == b || (folds && foldCase(a) == foldCase(b));
        };
        const bool own = same(name, ownNames[0]) || same(name, ownNames[1]);
        std::optional<EarlierSplit> earlier = readEarlier(out, name);
        if (!earlier && own) {
            found.push_back({name, "", {}, false, folds, {}});
        }
        const bool namesFirstPiece =
            earlier && (folds ? earlier->pieces.holds(firstPiece)
                              : earlier->pieces.indexOf(firstPiece).has_value());
        if (earlier && (own || namesFirstPiece)) {
            earlier->rebuildsSource = same(earlier->target, sourceName);
            earlier->foldsCase = folds;
            found.push_back(std::move(*earlier));
        }
    }
    return found;
}

}  // namespace morsela
