#include "split/join_file.h"

#include <unistd.h>
#include <cerrno>
#include <cstdio>
#include <vector>

#include "split/block_copier.h"
#include "split/file_calls.h"
#include "split/file_handle.h"
#include "split/rejoin_script.h"
#include "split/split_error.h"

namespace morsela {
namespace {

// Far above the longest script a split writes for any sensible piece count.
constexpr std::int64_t kLongestScript = 64 * 1024 * 1024;

std::string readScript(const std::string& path) {
    FileHandle script = openSource(path);
    const struct stat status = statusOf(script);
    if (!S_ISREG(status.st_mode)) {
        throw refusal(path + ": not a regular file");
    }
    if (status.st_size > kLongestScript) {
        throw refusal(path + ": too large to be a rejoin script");
    }
    std::string text(static_cast<std::size_t>(status.st_size), '\0');
    std::size_t got = 0;
    while (got < text.size()) {
        const ssize_t n =
            sys::pread(script.fd(), text.data() + got, text.size() - got, static_cast<off_t>(got));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            throw sourceError(path, errno);
        }
        if (n == 0) {
            break;
        }
        got += static_cast<std::size_t>(n);
    }
    text.resize(got);
    return text;
}

void refuseOutsideNames(const RejoinCommand& command, const std::string& scriptPath) {
    auto outside = [](const std::string& name) {
        return name == "." || name == ".." || name.find('/') != std::string::npos;
    };
    for (const std::string& piece : command.pieces) {
        if (outside(piece)) {
            throw refusal(scriptPath + ": names \"" + piece + "\", outside its own directory");
        }
        if (piece == command.target) {
            throw refusal(scriptPath + ": the target \"" + piece + "\" is also a piece");
        }
    }
    if (outside(command.target)) {
        throw refusal(scriptPath + ": names \"" + command.target + "\", outside its own directory");
    }
}

// Every piece but the last has the size of the first; the last has 1 to that many bytes
// (0 only when it is the only piece).
std::vector<std::int64_t> checkPieceSizes(const std::vector<std::string>& paths) {
    std::vector<std::int64_t> sizes;
    for (const std::string& path : paths) {
        FileHandle piece = openSource(path);
        const struct stat status = statusOf(piece);
        if (!S_ISREG(status.st_mode)) {
            throw refusal(path + ": not a regular file");
        }
        sizes.push_back(status.st_size);
    }
    const std::int64_t full = sizes.front();
    for (std::size_t i = 0; i < sizes.size(); ++i) {
        const bool last = i + 1 == sizes.size();
        const bool fits =
            last ? sizes[i] <= full && (sizes[i] > 0 || sizes.size() == 1) : sizes[i] == full;
        if (!fits) {
            throw refusal(paths[i] + ": " + std::to_string(sizes[i]) +
                          " bytes, which does not fit pieces of " + std::to_string(full) +
                          " bytes; a piece is damaged or missing");
        }
    }
    return sizes;
}

// A file under a temporary name that is removed unless it is renamed into place.
class TemporaryTarget {
  public:
    explicit TemporaryTarget(const std::string& target) : file_(createTemporaryBeside(target)) {}
    ~TemporaryTarget() {
        if (!path().empty()) {
            file_.close();
            ::unlink(path().c_str());
        }
    }
    const FileHandle& file() const { return file_; }
    const std::string& path() const { return file_.path(); }

    void renameTo(const std::string& target) {
        closeOutput(file_);
        if (::rename(path().c_str(), target.c_str()) != 0) {
            throw outputError(target, errno);
        }
        file_ = FileHandle();
    }

  private:
    FileHandle file_;
};

}  // namespace

std::string joinFromScript(const std::string& scriptPath, bool replace) {
    const RejoinCommand command = parseRejoinScript(readScript(scriptPath));
    refuseOutsideNames(command, scriptPath);

    const auto slash = scriptPath.rfind('/');
    const std::string dir = slash == std::string::npos ? "" : scriptPath.substr(0, slash + 1);
    std::vector<std::string> paths;
    for (const std::string& piece : command.pieces) {
        paths.push_back(dir + piece);
    }
    const std::vector<std::int64_t> sizes = checkPieceSizes(paths);

    const std::string target = dir + command.target;
    struct stat existing {};
    if (!replace && ::lstat(target.c_str(), &existing) == 0) {
        throw refusal(target + ": already exists; use --force to replace it");
    }

    TemporaryTarget joined(target);
    std::int64_t written = 0;
    for (std::size_t i = 0; i < paths.size(); ++i) {
        const FileHandle piece = openSource(paths[i]);
        BlockCopier copier(piece);
        for (std::int64_t pos = 0; pos < sizes[i]; pos += BLOCK_MAX) {
            const std::int64_t length = std::min(BLOCK_MAX, sizes[i] - pos);
            copier.copy(pos, joined.file(), written + pos, length);
        }
        written += sizes[i];
        copier.finish(joined.file(), written);
    }
    joined.renameTo(target);
    return target;
}

}  // namespace morsela
