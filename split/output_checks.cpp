#include "split/output_checks.h"

#include <unistd.h>
#include <cerrno>
#include <charconv>

#include "split/error.h"
#include "split/os/file_calls.h"
#include "split/piece_names.h"
#include "split/script/script_words.h"

namespace morsela {
namespace {

bool sameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// The number of a piece name with this prefix, or 0 for any other name.
std::int64_t pieceNumberOf(const std::string& name, const std::string& prefix) {
    if (name.size() <= prefix.size() || name.compare(0, prefix.size(), prefix) != 0) {
        return 0;
    }
    const std::string digits = name.substr(prefix.size());
    std::int64_t number = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), number);
    const bool whole = error == std::errc() && end == digits.data() + digits.size();
    return whole && number >= 1 && pieceNumberText(number) == digits ? number : 0;
}

// The script and every piece keep the source's name but its last three characters; the
// source's own name is one of them when those three are "bat" or a piece's number.
void refuseTargetAmongOutputs(const std::string& sourcePath, const std::string& sourceName,
                              std::int64_t pieces) {
    const std::string folded = foldCase(replacedPart(sourceName));
    if (folded == "bat") {
        throw Error::refused(sourcePath, "the rejoin script would be named " +
                                             scriptName(sourceName) +
                                             " and rebuild the file under its own name, "
                                             "overwriting itself while it runs; rename the file "
                                             "first");
    }
    const std::int64_t number = pieceNumberOf(folded, "");
    if (number >= 1 && number <= pieces) {
        throw Error::refused(sourcePath, "piece " + std::to_string(number) +
                                             " would have the file's own name, and rejoining "
                                             "would overwrite that piece; rename the file first");
    }
}

void refuseNamesTooLong(const Directory& out, const std::string& sourceName, std::int64_t pieces) {
    const long nameMax = sys::fpathconf(out.fd(), _PC_NAME_MAX);
    for (const std::string& name :
         {pieceName(sourceName, pieceNumberText(pieces)), scriptName(sourceName)}) {
        if (nameMax > 0 && static_cast<long>(name.size()) > nameMax) {
            throw Error::ofOutput(out.pathOf(name), ENAMETOOLONG);
        }
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

void addLeftover(LeftoverPieces& leftover, const std::string& name, std::int64_t number,
                 const std::string& prefix) {
    if (leftover.count == 0 || number < pieceNumberOf(leftover.first, prefix)) {
        leftover.first = name;
    }
    if (leftover.count == 0 || number > pieceNumberOf(leftover.last, prefix)) {
        leftover.last = name;
    }
    ++leftover.count;
}

}  // namespace

LeftoverPieces checkOutputs(const Directory& out, const std::string& sourcePath,
                            const std::string& sourceName, std::int64_t pieces,
                            const struct stat& source) {
    refuseTargetAmongOutputs(sourcePath, sourceName, pieces);
    refuseNamesTooLong(out, sourceName, pieces);

    const std::string script = scriptName(sourceName);
    const std::string prefix = sourceName.substr(0, keptLength(sourceName));
    LeftoverPieces leftover;
    out.forEachName([&](const std::string& name) {
        const std::int64_t number = pieceNumberOf(name, prefix);
        if (number > pieces) {
            addLeftover(leftover, name, number, prefix);
        } else if (number > 0 || name == script) {
            refuseUnlessReplaceable(out, name, source);
        }
    });
    return leftover;
}

}  // namespace morsela
