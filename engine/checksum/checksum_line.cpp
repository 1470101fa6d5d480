#include "engine/checksum/checksum_line.h"

#include <algorithm>
#include <cctype>

#include "engine/error.h"

namespace morsela {
namespace {

using Kind = ChecksumLineReader::Kind;

constexpr std::string_view kTag = "SHA256";

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

void skipBlanks(std::string_view& text) {
    while (!text.empty() && isBlank(text.front())) {
        text.remove_prefix(1);
    }
}

// 64 hexadecimal digits as 64 lower-case ones; nothing for anything else.
std::optional<std::string> digestOf(std::string_view hex) {
    const bool valid = hex.size() == 64 && std::all_of(hex.begin(), hex.end(), [](char c) {
                           return std::isxdigit(static_cast<unsigned char>(c)) != 0;
                       });
    if (!valid) {
        return std::nullopt;
    }
    std::string lower(hex);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](char c) { return static_cast<char>(std::tolower(c)); });
    return lower;
}

// The name an escaped line stands for; nothing for an escape sha256sum does not know.
std::optional<std::string> unescaped(std::string_view name) {
    std::string text;
    for (std::size_t i = 0; i < name.size(); ++i) {
        if (name[i] != '\\') {
            text += name[i];
        } else if (i + 1 == name.size()) {
            return std::nullopt;
        } else {
            const char c = name[++i];
            if (c != 'n' && c != 'r' && c != '\\') {
                return std::nullopt;
            }
            text += c == 'n' ? '\n' : c == 'r' ? '\r' : '\\';
        }
    }
    return text;
}

// The name as a file in the checksum file's folder: "./x" (as `sha256sum ./*` writes) is x.
std::string inItsFolder(std::string name) {
    while (name.starts_with("./")) {
        const std::size_t rest = name.find_first_not_of('/', 2);
        name.erase(0, rest == std::string::npos ? name.size() : rest);
    }
    return name;
}

Kind found(std::string_view name, bool escaped, std::optional<std::string> hex,
           ChecksumLine& checksum) {
    std::optional<std::string> text = escaped ? unescaped(name) : std::string(name);
    if (!text || !hex) {
        return Kind::Improper;
    }
    checksum = {inItsFolder(std::move(*text)), std::move(*hex)};
    return Kind::Checksum;
}

// "(<name>) = <digest>", after the tag.
Kind tagged(std::string_view line, bool escaped, ChecksumLine& checksum) {
    const std::size_t close = line.rfind(')');
    if (close == std::string_view::npos) {
        return Kind::Improper;
    }
    std::string_view rest = line.substr(close + 1);
    skipBlanks(rest);
    if (rest.empty() || rest.front() != '=') {
        return Kind::Improper;
    }
    rest.remove_prefix(1);
    skipBlanks(rest);
    return found(line.substr(0, close), escaped, digestOf(rest), checksum);
}

}  // namespace

std::string checksumLine(std::string_view hex, std::string_view name) {
    const bool escaped = name.find_first_of("\\\n\r") != std::string_view::npos;
    std::string line = escaped ? "\\" : "";
    line += hex;
    line += "  ";
    for (const char c : name) {
        line += c == '\\' ? "\\\\" : c == '\n' ? "\\n" : c == '\r' ? "\\r" : std::string(1, c);
    }
    return line + "\n";
}

ChecksumLineReader::Kind ChecksumLineReader::read(std::string_view line, ChecksumLine& checksum) {
    if (!line.empty() && line.front() == '#') {
        return Kind::Nothing;
    }
    if (!line.empty() && line.back() == '\r') {
        line.remove_suffix(1);
    }
    if (line.empty()) {
        return Kind::Nothing;
    }
    if (line.find('\0') != std::string_view::npos) {
        return Kind::Improper;
    }
    skipBlanks(line);
    const bool escaped = line.starts_with('\\');
    line.remove_prefix(escaped ? 1 : 0);
    if (line.starts_with(kTag)) {
        line.remove_prefix(kTag.size() + (line.substr(kTag.size()).starts_with(' ') ? 1 : 0));
        if (!line.starts_with('(')) {
            return Kind::Improper;
        }
        return tagged(line.substr(1), escaped, checksum);
    }
    return untagged(line, escaped, checksum);
}

// "<digest>", a blank or tab, and then " <name>", "*<name>", or the name alone.
ChecksumLineReader::Kind ChecksumLineReader::untagged(std::string_view line, bool escaped,
                                                      ChecksumLine& checksum) {
    const std::size_t end = std::find_if(line.begin(), line.end(), isBlank) - line.begin();
    const auto hex = digestOf(line.substr(0, end));
    if (end == line.size() || end + 1 == line.size() || !hex) {
        return Kind::Improper;
    }
    std::string_view name = line.substr(end + 1);
    if (name.size() == 1 || (name.front() != ' ' && name.front() != '*')) {
        if (form_ == Form::TwoCharacters) {
            return Kind::Improper;  // sha256sum does not mix the two forms in one file
        }
        form_ = Form::OneCharacter;
    } else if (form_ != Form::OneCharacter) {
        form_ = Form::TwoCharacters;
        name.remove_prefix(1);
    }
    return found(name, escaped, hex, checksum);
}

std::optional<ChecksumLine> parseChecksumLine(std::string_view line) {
    ChecksumLine checksum;
    switch (ChecksumLineReader().read(line, checksum)) {
        case ChecksumLineReader::Kind::Nothing:
            return std::nullopt;
        case ChecksumLineReader::Kind::Improper:
            throw Error::refused("", "is no sha256sum line");
        case ChecksumLineReader::Kind::Checksum:
            break;
    }
    return checksum;
}

}  // namespace morsela
