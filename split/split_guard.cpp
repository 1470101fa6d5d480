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

// The names this split will write: the script, and the pieces 1 to `pieces`. Formed once,
// then asked for every entry of the output directory.
class OutputNames {
  public:
    OutputNames(const std::string& sourceName, std::int64_t pieces)
        : script_(scriptName(sourceName)),
          prefix_(sourceName.substr(0, sourceName.size() - kReplacedSuffix)),
          pieces_(pieces) {}

    bool contains(const std::string& name) const {
        if (name == script_) {
            return true;
        }
        if (name.size() <= prefix_.size() || name.compare(0, prefix_.size(), prefix_) != 0) {
            return false;
        }
        const std::string digits = name.substr(prefix_.size());
        std::int64_t number = 0;
        const auto [end, error] =
            std::from_chars(digits.data(), digits.data() + digits.size(), number);
        return error == std::errc() && end == digits.data() + digits.size() && number >= 1 &&
               number <= pieces_ && pieceNumberText(number) == digits;
    }

  private:
    std::string script_;
    std::string prefix_;
    std::int64_t pieces_;
};

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

    const OutputNames outputs(sourceName, pieces);
    while (const dirent* entry = ::readdir(dir.get())) {
        const std::string name = entry->d_name;
        if (!outputs.contains(name)) {
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
