#include "split/split_guard.h"

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>
#include <cerrno>
#include <charconv>
#include <memory>

#include "split/piece_names.h"
#include "split/split_error.h"

namespace morsela {
namespace {

struct DirCloser {
    void operator()(DIR* dir) const { ::closedir(dir); }
};

// True when `name` is one that this split will write: the script, or the name of one of
// its pieces 1 to `pieces`.
bool isOutputName(const std::string& name, const std::string& sourceName, std::int64_t pieces) {
    if (name == scriptName(sourceName)) {
        return true;
    }
    const std::string prefix = sourceName.substr(0, sourceName.size() - kReplacedSuffix);
    if (name.size() <= prefix.size() || name.compare(0, prefix.size(), prefix) != 0) {
        return false;
    }
    const std::string digits = name.substr(prefix.size());
    std::int64_t number = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), number);
    return error == std::errc() && end == digits.data() + digits.size() && number >= 1 &&
           number <= pieces && pieceNumberText(number) == digits;
}

}  // namespace

void checkOutputs(const std::string& outputDir, const std::string& sourceName, std::int64_t pieces,
                  const struct stat& source) {
    const std::string dirPath = outputDir.empty() ? "." : outputDir;
    std::unique_ptr<DIR, DirCloser> dir(::opendir(dirPath.c_str()));
    if (!dir) {
        throw outputError(dirPath, errno);
    }

    const long nameMax = ::fpathconf(::dirfd(dir.get()), _PC_NAME_MAX);
    const std::string longest = pieceName(sourceName, pieceNumberText(pieces));
    if (nameMax > 0 && static_cast<long>(longest.size()) > nameMax) {
        throw outputError(outputDir + longest, ENAMETOOLONG);
    }
    if (nameMax > 0 && static_cast<long>(scriptName(sourceName).size()) > nameMax) {
        throw outputError(outputDir + scriptName(sourceName), ENAMETOOLONG);
    }

    while (const dirent* entry = ::readdir(dir.get())) {
        const std::string name = entry->d_name;
        if (!isOutputName(name, sourceName, pieces)) {
            continue;
        }
        struct stat status {};
        if (::fstatat(::dirfd(dir.get()), name.c_str(), &status, 0) == 0 &&
            status.st_dev == source.st_dev && status.st_ino == source.st_ino) {
            throw refusal(outputDir + name +
                          " is the source itself; writing it would destroy the source");
        }
    }
}

}  // namespace morsela
