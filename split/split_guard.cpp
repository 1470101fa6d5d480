#include "split/split_guard.h"

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>
#include <cerrno>
#include <charconv>
#include <memory>

#include "split/dir_closer.h"
#include "split/file_calls.h"
#include "split/piece_names.h"
#include "split/rejoin_script.h"
#include "split/split_error.h"

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
        throw refusal(sourcePath + ": the rejoin script would be named " + scriptName(sourceName) +
                      " and rebuild the file under its own name, overwriting itself while it "
                      "runs; rename the file first");
    }
    const std::int64_t number = pieceNumberOf(folded, "");
    if (number >= 1 && number <= pieces) {
        throw refusal(sourcePath + ": piece " + std::to_string(number) +
                      " would have the file's own name, and rejoining would overwrite that "
                      "piece; rename the file first");
    }
}

}  // namespace

LeftoverPieces checkOutputs(const Directory& out, const std::string& sourcePath,
                            const std::string& sourceName, std::int64_t pieces,
                            const struct stat& source) {
    refuseTargetAmongOutputs(sourcePath, sourceName, pieces);

    const long nameMax = ::fpathconf(out.fd(), _PC_NAME_MAX);
    const std::string script = scriptName(sourceName);
    for (const std::string& name : {pieceName(sourceName, pieceNumberText(pieces)), script}) {
        if (nameMax > 0 && static_cast<long>(name.size()) > nameMax) {
            throw outputError(out.pathOf(name), ENAMETOOLONG);
        }
    }

    // Reading the directory through a copy of its descriptor leaves the original open.
    const int listed = ::fcntl(out.fd(), F_DUPFD_CLOEXEC, 0);
    std::unique_ptr<DIR, DirCloser> dir(listed < 0 ? nullptr : ::fdopendir(listed));
    if (!dir) {
        const int error = errno;
        if (listed >= 0) {
            ::close(listed);
        }
        throw outputError(out.text().empty() ? "." : out.text(), error);
    }
    const std::string prefix = sourceName.substr(0, keptLength(sourceName));
    LeftoverPieces leftover;
    while (const dirent* entry = ::readdir(dir.get())) {
        const std::string name = entry->d_name;
        const std::int64_t number = pieceNumberOf(name, prefix);
        if (number > pieces) {
            leftover.first = leftover.count == 0 || number < pieceNumberOf(leftover.first, prefix)
                                 ? name
                                 : leftover.first;
            leftover.last = number > pieceNumberOf(leftover.last, prefix) ? name : leftover.last;
            ++leftover.count;
            continue;
        }
        if (number == 0 && name != script) {
            continue;
        }
        const auto status = out.entry(name);
        if (!status) {
            continue;  // gone meanwhile
        }
        struct stat target {};
        const bool resolves =
            sameFile(*status, source) ||
            (S_ISLNK(status->st_mode) && ::fstatat(out.fd(), name.c_str(), &target, 0) == 0 &&
             sameFile(target, source));
        if (resolves) {
            throw refusal(out.pathOf(name) +
                          " is the source itself; writing it would destroy the source");
        }
        refuseUnlessRegular(out.pathOf(name), *status);
    }
    return leftover;
}

}  // namespace morsela
