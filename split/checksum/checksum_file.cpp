#include "split/checksum/checksum_file.h"

#include <algorithm>
#include <cctype>
#include <cerrno>

#include "split/error.h"
#include "split/os/directory.h"
#include "split/os/file_calls.h"

namespace morsela {
namespace {

// Far above a line for the longest name any file system holds.
constexpr std::size_t kLongestLine = 64 * 1024;
constexpr std::string_view kTag = "SHA256 (";
constexpr std::string_view kTagEnd = ") = ";

[[noreturn]] void refuseLine() {
    throw Error::refused("", "is no sha256sum line");
}

std::string digestOf(std::string_view hex) {
    const bool valid = hex.size() == 64 && std::all_of(hex.begin(), hex.end(), [](char c) {
                           return std::isxdigit(static_cast<unsigned char>(c)) != 0;
                       });
    if (!valid) {
        refuseLine();
    }
    std::string lower(hex);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](char c) { return static_cast<char>(std::tolower(c)); });
    return lower;
}

std::string unescaped(std::string_view name, bool escaped) {
    std::string text;
    for (std::size_t i = 0; i < name.size(); ++i) {
        if (escaped && name[i] == '\\' && i + 1 < name.size()) {
            text += name[++i] == 'n' ? '\n' : name[i];
        } else {
            text += name[i];
        }
    }
    return text;
}

}  // namespace

std::string checksumFileName(std::string_view sourceName) {
    return std::string(sourceName) + ".sha256";
}

std::string checksumLine(std::string_view hex, std::string_view name) {
    const bool escaped = name.find_first_of("\\\n") != std::string_view::npos;
    std::string line = escaped ? "\\" : "";
    line += hex;
    line += "  ";
    for (const char c : name) {
        line += c == '\\' ? "\\\\" : c == '\n' ? "\\n" : std::string(1, c);
    }
    return line + "\n";
}

std::optional<ChecksumLine> parseChecksumLine(std::string_view line) {
    if (!line.empty() && line.back() == '\r') {
        line.remove_suffix(1);
    }
    line.remove_prefix(std::min(line.find_first_not_of(" \t"), line.size()));
    if (line.empty() || line.front() == '#') {
        return std::nullopt;
    }
    const bool escaped = line.front() == '\\';
    line.remove_prefix(escaped ? 1 : 0);
    if (line.substr(0, kTag.size()) == kTag) {
        const std::size_t end = line.rfind(kTagEnd);
        if (end == std::string_view::npos || end < kTag.size()) {
            refuseLine();
        }
        return ChecksumLine{unescaped(line.substr(kTag.size(), end - kTag.size()), escaped),
                            digestOf(line.substr(end + kTagEnd.size()))};
    }
    if (line.size() < 67 || line[64] != ' ' || (line[65] != ' ' && line[65] != '*')) {
        refuseLine();
    }
    return ChecksumLine{unescaped(line.substr(66), escaped), digestOf(line.substr(0, 64))};
}

bool forEachChecksum(const Directory& dir, const std::string& fileName,
                     const std::function<void(const ChecksumLine&, std::size_t)>& visit) {
    struct stat status {};
    if (sys::fstatat(dir.fd(), fileName.c_str(), &status, AT_SYMLINK_NOFOLLOW) != 0) {
        if (errno == ENOENT || errno == ENAMETOOLONG) {
            return false;
        }
        throw Error::ofSource(dir.pathOf(fileName), errno);
    }
    forEachChecksum(dir.openRegular(fileName, "only the checksum file itself is read"), visit);
    return true;
}

void forEachChecksum(const FileHandle& file,
                     const std::function<void(const ChecksumLine&, std::size_t)>& visit) {
    std::string line;
    std::size_t number = 0;
    auto take = [&] {
        ++number;
        try {
            if (const auto parsed = parseChecksumLine(line)) {
                visit(*parsed, number);
            }
        } catch (const Error& error) {
            if (!error.path().empty()) {
                throw;
            }
            throw Error::refused(file.path(),
                                 "line " + std::to_string(number) + " " + error.reason());
        }
        line.clear();
    };
    char buffer[65536];
    for (std::int64_t offset = 0, n; (n = readAt(file, buffer, sizeof buffer, offset)) > 0;
         offset += n) {
        for (const char c : std::string_view(buffer, static_cast<std::size_t>(n))) {
            if (c == '\n') {
                take();
            } else if (line.size() < kLongestLine) {
                line += c;
            } else {
                throw Error::refused(file.path(), "line " + std::to_string(number + 1) +
                                                      " is too long for a sha256sum line");
            }
        }
    }
    if (!line.empty()) {
        take();
    }
}

}  // namespace morsela
