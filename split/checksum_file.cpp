#include "split/checksum_file.h"

#include <algorithm>
#include <cctype>

#include "split/split_error.h"

namespace morsela {

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

std::map<std::string, std::string> parseChecksums(std::string_view text) {
    std::map<std::string, std::string> digests;
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
            throw refusal("line " + std::to_string(number) + " is no sha256sum line");
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

}  // namespace morsela
