#include "app/join/opened_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <string_view>

namespace morsela {
namespace {

// A script's first command comes within its first lines; the rest is never read.
constexpr int kLinesLookedAt = 16;
constexpr std::size_t kBytesLookedAt = 64 * 1024;

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\f' || c == '\v';
}

std::string lowered(std::string_view text) {
    std::string lower(text);
    for (char& c : lower) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return lower;
}

bool startsWithWord(std::string_view line, std::string_view word) {
    return line.substr(0, word.size()) == word &&
           (line.size() == word.size() || isBlank(line[word.size()]));
}

// A line that comes before the copy command without being one: blank, a comment, echo, chcp.
bool isPreamble(std::string_view line) {
    if (line.empty() || line.substr(0, 2) == "::") {
        return true;
    }
    if (line.front() == '@') {
        line.remove_prefix(1);
    }
    return startsWithWord(line, "rem") || line.substr(0, 4) == "echo" ||
           line.substr(0, 4) == "chcp";
}

// "copy", blanks, "/b" and a blank, perhaps after an "@".
bool isCopyCommand(std::string_view line) {
    if (!line.empty() && line.front() == '@') {
        line.remove_prefix(1);
    }
    if (line.substr(0, 4) != "copy" || line.size() < 5 || !isBlank(line[4])) {
        return false;
    }
    line.remove_prefix(4);
    while (!line.empty() && isBlank(line.front())) {
        line.remove_prefix(1);
    }
    return line.size() > 2 && line.substr(0, 2) == "/b" && isBlank(line[2]);
}

// The first bytes of a regular file; nothing for anything else.
std::string firstBytes(const NativePath& file) {
    // O_NONBLOCK: opening a pipe must not wait for a writer.
    const int fd = ::open(file.bytes().constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        return {};
    }
    std::string bytes;
    struct stat status {};
    if (::fstat(fd, &status) == 0 && S_ISREG(status.st_mode)) {
        bytes.resize(kBytesLookedAt);
        const ssize_t got = ::read(fd, bytes.data(), bytes.size());
        bytes.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
    }
    ::close(fd);
    return bytes;
}

}  // namespace

bool readsLikeRejoinScript(const NativePath& file) {
    std::string_view rest;
    const std::string bytes = firstBytes(file);
    rest = bytes;
    if (rest.substr(0, 3) == "\xef\xbb\xbf") {
        rest.remove_prefix(3);  // a byte-order mark
    }
    for (int line = 0; line < kLinesLookedAt && !rest.empty(); ++line) {
        const std::size_t end = std::min(rest.find_first_of("\r\n"), rest.size());
        std::string_view text = rest.substr(0, end);
        rest.remove_prefix(std::min(rest.find_first_not_of("\r\n", end), rest.size()));
        while (!text.empty() && isBlank(text.front())) {
            text.remove_prefix(1);
        }
        const std::string lower = lowered(text);
        if (isCopyCommand(lower)) {
            return true;
        }
        if (!isPreamble(lower)) {
            return false;
        }
    }
    return false;
}

bool isFirstPiece(const NativePath& file) {
    const QByteArray& path = file.bytes();
    const qsizetype slash = path.lastIndexOf('/');
    const qsizetype nameLength = path.size() - slash - 1;
    return path.endsWith(".001") && nameLength > 4;
}

Opening openingOf(const NativePath& file) {
    struct stat status {};
    const bool exists = ::stat(file.bytes().constData(), &status) == 0;
    if (exists && !S_ISREG(status.st_mode)) {
        return Opening::Split;  // a directory or device named like a piece: the split says why
    }
    if (isFirstPiece(file) || (exists && readsLikeRejoinScript(file))) {
        return Opening::Join;
    }
    return Opening::Split;
}

}  // namespace morsela
