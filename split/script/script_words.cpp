#include "split/script/script_words.h"

#include <cctype>

namespace morsela {
namespace {

constexpr std::string_view kNeedsQuotes = " &()[]{}^=;!'+,~<>|`";
// Characters that Windows file names cannot hold, and copy's wildcards.
constexpr std::string_view kNotInWindowsNames = "*?\\/:<>|";

}  // namespace

bool isControlCharacter(char c) {
    const auto u = static_cast<unsigned char>(c);
    return u < 0x20 || u == 0x7f;
}

std::string foldCase(std::string_view name) {
    std::string result(name);
    for (char& c : result) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return result;
}

std::string unscriptableReason(std::string_view name) {
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
