#include "engine/script/script_words.h"

#include <locale.h>
#include <wctype.h>
#include <cctype>
#include <utility>

namespace morsela {
namespace {

constexpr std::string_view kNeedsQuotes = " &()[]{}^=;!'+,~<>|`";
// Characters that Windows file names cannot hold, and copy's wildcards.
constexpr std::string_view kNotInWindowsNames = "*?\\/:<>|";

// The code point of the UTF-8 character at `pos` and its length; a byte that starts no valid
// character stands for itself, with length 1 and no code point.
std::pair<char32_t, std::size_t> decode(std::string_view text, std::size_t pos) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[pos + i]); };
    const unsigned char lead = byte(0);
    if (lead < 0x80) {
        return {lead, 1};
    }
    const std::size_t length = lead >= 0xF0 && lead <= 0xF4   ? 4
                               : lead >= 0xE0 && lead <= 0xEF ? 3
                               : lead >= 0xC2 && lead <= 0xDF ? 2
                                                              : 1;
    if (length == 1 || pos + length > text.size()) {
        return {0, 1};
    }
    char32_t point = lead & (0xFF >> (length + 1));
    for (std::size_t i = 1; i < length; ++i) {
        if ((byte(i) & 0xC0) != 0x80) {
            return {0, 1};
        }
        point = (point << 6) | (byte(i) & 0x3F);
    }
    const bool overlong = (length == 3 && point < 0x800) || (length == 4 && point < 0x10000);
    const bool invalid = overlong || (point >= 0xD800 && point <= 0xDFFF) || point > 0x10FFFF;
    return invalid ? std::pair<char32_t, std::size_t>{0, 1} : std::pair{point, length};
}

void encode(char32_t point, std::string& out) {
    if (point < 0x80) {
        out += static_cast<char>(point);
    } else if (point < 0x800) {
        out += static_cast<char>(0xC0 | (point >> 6));
        out += static_cast<char>(0x80 | (point & 0x3F));
    } else if (point < 0x10000) {
        out += static_cast<char>(0xE0 | (point >> 12));
        out += static_cast<char>(0x80 | ((point >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (point & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (point >> 18));
        out += static_cast<char>(0x80 | ((point >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((point >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (point & 0x3F));
    }
}

// Upper case as Unicode maps it, in the locale every system has, whatever the user's.
char32_t upper(char32_t point) {
    if (point < 0x80) {
        return static_cast<char32_t>(std::toupper(static_cast<int>(point)));
    }
    static const locale_t unicode = ::newlocale(LC_CTYPE_MASK, "C.UTF-8", locale_t{});
    return unicode == locale_t{}
               ? point
               : static_cast<char32_t>(::towupper_l(static_cast<wint_t>(point), unicode));
}

// The names of devices that Windows gives any file of that name before its first dot:
// CON, PRN, AUX, NUL, COM1 to COM9, LPT1 to LPT9, also with the digits written ¹ ² ³, and
// also with blanks before that dot, which Windows drops when it matches them (`con .txt`).
bool isWindowsDeviceName(std::string_view name) {
    std::string stem = foldCase(name.substr(0, name.find('.')));
    stem.erase(stem.find_last_not_of(' ') + 1);
    for (const auto& [superscript, digit] :
         {std::pair{"\xC2\xB9", "1"}, std::pair{"\xC2\xB2", "2"}, std::pair{"\xC2\xB3", "3"}}) {
        if (stem.ends_with(superscript)) {
            stem.replace(stem.size() - 2, 2, digit);
        }
    }
    if (stem == "CON" || stem == "PRN" || stem == "AUX" || stem == "NUL") {
        return true;
    }
    return stem.size() == 4 && (stem.starts_with("COM") || stem.starts_with("LPT")) &&
           stem[3] >= '1' && stem[3] <= '9';
}

}  // namespace

bool isControlCharacter(char c) {
    const auto u = static_cast<unsigned char>(c);
    return u < 0x20 || u == 0x7f;
}

std::string foldCase(std::string_view name) {
    std::string folded;
    folded.reserve(name.size());
    for (std::size_t pos = 0; pos < name.size();) {
        const auto [point, length] = decode(name, pos);
        if (point == 0) {
            folded += name[pos];
        } else {
            encode(upper(point), folded);
        }
        pos += length;
    }
    return folded;
}

std::string unscriptableReason(std::string_view name) {
    if (isWindowsDeviceName(name)) {
        return "Windows takes a file named like this for a device, and the rejoin script would "
               "fail there; rename the file";
    }
    if (!name.empty() && (name.back() == '.' || name.back() == ' ')) {
        return "Windows cannot keep a dot or a blank at the end of a file name, so the pieces "
               "would not rejoin under this name; rename the file";
    }
    for (char c : name) {
        if (c == '"' || isControlCharacter(c)) {
            return "the file name holds a quote or control character, which no rejoin script "
                   "can carry; rename the file without it";
        }
        if (kNotInWindowsNames.find(c) != std::string_view::npos) {
            return std::string("the file name holds \"") + c +
                   "\", which a Windows file name cannot hold or copy reads as a wildcard; "
                   "rename the file without it";
        }
    }
    return "";
}

std::string scriptWord(std::string_view name) {
    std::string word;
    bool quote = false;
    for (char c : name) {
        quote = quote || kNeedsQuotes.find(c) != std::string_view::npos;
        word += c;
        if (c == '%') {
            word += '%';
        }
    }
    return quote ? '"' + word + '"' : word;
}

}  // namespace morsela
