#include "engine/output_checks.h"

#include <unistd.h>
#include <algorithm>
#include <cerrno>

#include "engine/checksum/checksum_file.h"
#include "engine/earlier_split.h"
#include "engine/error.h"
#include "engine/os/file_calls.h"
#include "engine/os/file_system.h"
#include "engine/piece_names.h"
#include "engine/recovery/recovery_writer.h"
#include "engine/recovery/slice_layout.h"
#include "engine/recovery/stale_recovery.h"
#include "engine/script/piece_list.h"
#include "engine/script/script_words.h"

namespace morsela {
namespace {

bool sameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// The number of a piece name with this prefix (as the medium compares names), or 0 for any
// other name.
std::int64_t pieceNumberOf(const std::string& name, const std::string& prefix, bool folds) {
    const auto [namePrefix, number] = splitPieceNumber(name);
    const bool same = namePrefix == prefix || (folds && foldCase(namePrefix) == foldCase(prefix));
    return same ? number : 0;
}

// The script and every piece keep the source's name but its last three characters; the
// source's own name is one of them when those three are "bat" or a piece's number.
void refuseTargetAmongOutputs(const OutputsToCheck& planned) {
    const std::string folded = foldCase(replacedPart(planned.sourceName));
    if (folded == "BAT") {
        throw Error::refused(planned.sourcePath,
                             "the rejoin script would be named " + scriptName(planned.sourceName) +
                                 " and rebuild the file under its own name, overwriting itself "
                                 "while it runs; rename the file first");
    }
    const std::int64_t number = splitPieceNumber(folded).second;
    if (folded.size() == 3 && number >= 1 && number <= planned.pieces) {
        throw Error::refused(planned.sourcePath,
                             "piece " + std::to_string(number) +
                                 " would have the file's own name, and rejoining would "
                                 "overwrite that piece; rename the file first");
    }
}

// The names of the recovery files the split writes (recovery_writer.h), for pieces of the
// lengths it plans.
std::vector<std::string> recoveryNames(const OutputsToCheck& planned) {
    if (planned.recoveryPercent <= 0 || planned.pieces <= 0) {
        return {};
    }
    return recovery::recoveryFileNames(
        planned.sourceName,
        recovery::pieceLengths(planned.source.st_size, planned.pieceSize, planned.pieces),
        planned.recoveryPercent);
}

void refuseWhatTheMediumCannotHold(const Directory& out, const OutputsToCheck& planned,
                                   const std::vector<std::string>& recoveryFiles) {
    std::vector<std::string> names = {
        pieceName(planned.sourceName, pieceNumberText(planned.pieces)),
        scriptName(planned.sourceName)};
    if (planned.checksum) {
        names.push_back(checksumFileName(planned.sourceName));
    }
    names.insert(names.end(), recoveryFiles.begin(), recoveryFiles.end());
    for (const std::string& name : names) {
        if (const std::string why = nameLengthRefusal(out, name); !why.empty()) {
            throw Error::refused(out.pathOf(name), why);
        }
    }
    const std::int64_t largest = largestFileOn(out);
    if (std::min<std::int64_t>(planned.pieceSize, planned.source.st_size) > largest) {
        throw Error::refused(out.path(), "pieces of " + std::to_string(planned.pieceSize) +
                                             " bytes are larger than the largest file this "
                                             "medium holds (" +
                                             std::to_string(largest) +
                                             " bytes); give a size of at most " +
                                             std::to_string(largest / (1024 * 1024)) + "M");
    }
}

// What stands under an output name must be a regular file that is not the source.
void refuseUnlessReplaceable(const Directory& out, const std::string& name,
                             const struct stat& source) {
    const auto status = out.entry(name);
    if (!status) {
        return;  // gone meanwhile
    }
    const auto target = S_ISLNK(status->st_mode) ? out.target(name) : status;
    if (sameFile(*status, source) || (target && sameFile(*target, source))) {
        throw Error::refused(out.pathOf(name),
                             "is the source itself; writing it would destroy the source");
    }
    refuseUnlessRegular(out.pathOf(name), *status);
}

// A checksum file of the source's own, such as one downloaded with it, is the user's: it is
// one of a split only when it names the split's first piece.
void refuseForeignChecksums(const Directory& out, const OutputsToCheck& planned) {
    const std::string name = checksumFileName(planned.sourceName);
    if (!out.entry(name)) {
        return;
    }
    refuseUnlessReplaceable(out, name, planned.source);
    const std::string firstPiece = pieceName(planned.sourceName, pieceNumberText(1));
    const bool folds = out.foldsCase(name);
    bool ours = false;
    try {
        const auto read = forEachChecksum(out, name, [&](const ChecksumLine& line, std::size_t) {
            ours = ours || line.name == firstPiece ||
                   (folds && foldCase(line.name) == foldCase(firstPiece));
        });
        ours = ours && read && read->improperLines == 0;  // a split writes no other line
    } catch (const Error&) {
        ours = false;
    }
    if (!ours) {
        throw Error::refused(out.pathOf(name),
                             "is there and is no checksum file of a split of " +
                                 planned.sourceName +
                                 "; it would be replaced: move it, or split without --checksum");
    }
}

}  // namespace

OutputListing checkOutputs(const Directory& out, const OutputsToCheck& planned) {
    refuseTargetAmongOutputs(planned);
    const std::vector<std::string> recoveryFiles = recoveryNames(planned);
    refuseWhatTheMediumCannotHold(out, planned, recoveryFiles);
    if (planned.checksum) {
        refuseForeignChecksums(out, planned);
    }
    // A recovery file is renamed into place as a piece is: a link, a pipe or a directory
    // under its name is refused before anything is written.
    for (const std::string& name : recoveryFiles) {
        refuseUnlessReplaceable(out, name, planned.source);
    }
    const std::string prefix = planned.sourceName.substr(0, keptLength(planned.sourceName));
    OutputListing listing;
    out.forEachName([&](const std::string& name) {
        const std::int64_t number = pieceNumberOf(name, prefix, false);
        if ((number >= 1 && number <= planned.pieces) || mayBeScriptOf(name, planned.sourceName)) {
            refuseUnlessReplaceable(out, name, planned.source);
        }
        if (mayBeScriptOf(name, planned.sourceName) && listing.scripts.size() < 64) {
            listing.scripts.push_back(name);
        }
        if (recovery::mayBeRecoveryFileOf(name, planned.sourceName) &&
            listing.recoveryFiles.size() < 256) {
            listing.recoveryFiles.push_back(name);
        }
        // A directory of any size takes little memory: past this many, the rest are left out.
        const std::int64_t anyCase = pieceNumberOf(name, prefix, true);
        if (anyCase > planned.pieces && listing.beyond.size() < 65536) {
            listing.beyond.emplace_back(anyCase, name);
        }
    });
    return listing;
}

LeftoverPieces leftoverPieces(const Directory& out, const std::string& sourceName,
                              const OutputListing& listing) {
    const std::string prefix = sourceName.substr(0, keptLength(sourceName));
    const std::string first = pieceName(sourceName, pieceNumberText(1));
    const bool folds = out.entry(first) && out.foldsCase(first);
    LeftoverPieces leftover;
    std::int64_t lowest = 0;
    std::int64_t highest = 0;
    for (const auto& [number, name] : listing.beyond) {
        if (pieceNumberOf(name, prefix, folds) == 0 || !out.entry(name)) {
            continue;
        }
        if (leftover.count == 0 || number < lowest) {
            lowest = number;
            leftover.first = name;
        }
        if (leftover.count == 0 || number > highest) {
            highest = number;
            leftover.last = name;
        }
        ++leftover.count;
    }
    return leftover;
}

}  // namespace morsela
