#include "split/checksum/checksum_file.h"

#include <algorithm>
#include <cctype>

#include "split/error.h"
#include "split/os/directory.h"

namespace morsela {
namespace {

// Far above the checksum file of any split: one line of at most 330 bytes per piece.
constexpr std::int64_t kLongestChecksums = 64 * 1024 * 1024;

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

Digests parseChecksums(std::string_view text) {
    Digests digests;
    std::size_t number = 0;
    for (std::size_t pos = 0; pos < text.size();) {
        const std::size_t end = std::min(text.find('\n', pos), text.size());
        std::string_view line = text.substr(pos, end - pos);
        pos = end + 1;
        ++number;
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        if (line.empty()) {
            continue;
        }
        const bool escaped = line.front() == '\\';
        if (escaped) {
            line.remove_prefix(1);
        }
        const bool hexDigits =
            line.size() > 66 && std::all_of(line.begin(), line.begin() + 64, [](char c) {
                return std::isxdigit(static_cast<unsigned char>(c)) != 0;
            });
        if (!hexDigits || line[64] != ' ' || (line[65] != ' ' && line[65] != '*')) {
            throw Error::refused("", "line " + std::to_string(number) + " is no sha256sum line");
        }
        std::string name;
        for (std::size_t i = 66; i < line.size(); ++i) {
            if (escaped && line[i] == '\\' && i + 1 < line.size()) {
                name += line[++i] == 'n' ? '\n' : line[i];
            } else {
                name += line[i];
            }
        }
        std::string hex(line.substr(0, 64));
        std::transform(hex.begin(), hex.end(), hex.begin(),
                       [](char c) { return static_cast<char>(std::tolower(c)); });
        digests[name] = hex;
    }
    return digests;
}

std::optional<Digests> readChecksums(const Directory& dir, const std::string& fileName) {
    if (!dir.entry(fileName)) {
        return std::nullopt;
    }
    const FileHandle file = dir.openRegular(fileName, "only the checksum file itself is read");
    const std::int64_t size = statusOf(file).st_size;
    if (size > kLongestChecksums) {
        throw Error::refused(file.path(), "too large to be a checksum file");
    }
    std::string text(static_cast<std::size_t>(size), '\0');
    text.resize(static_cast<std::size_t>(readAt(file, text.data(), size, 0)));
    try {
        return parseChecksums(text);
    } catch (const Error& error) {
        throw Error::refused(file.path(), error.reason());
    }
}

}  // namespace morsela
