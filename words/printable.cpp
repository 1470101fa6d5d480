#include "words/printable.h"

#include <cstdint>

namespace morsela {
namespace {

// The length of the UTF-8 sequence at `pos` and the character it encodes; 0 when the bytes
// there are no valid UTF-8 (a stray continuation byte, an overlong form, a surrogate).
std::size_t decode(std::string_view text, std::size_t pos, char32_t& character) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[pos + i]); };
    const unsigned char lead = byte(0);
    std::size_t length = 0;
    char32_t least = 0;
    if (lead < 0x80) {
        character = lead;
        return 1;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2, character = lead & 0x1F, least = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3, character = lead & 0x0F, least = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4, character = lead & 0x07, least = 0x10000;
    } else {
        return 0;
    }
    if (pos + length > text.size()) {
        return 0;
    }
    for (std::size_t i = 1; i < length; ++i) {
        if ((byte(i) & 0xC0) != 0x80) {
            return 0;
        }
        character = (character << 6) | (byte(i) & 0x3F);
    }
    const bool surrogate = character >= 0xD800 && character <= 0xDFFF;
    return character < least || character > 0x10FFFF || surrogate ? 0 : length;
}

bool isShown(char32_t c) {
    if (c < 0x20 || (c >= 0x7F && c <= 0x9F)) {
        return false;  // C0 controls, DEL, C1 controls
    }
    // Marks that reorder the text around them, so that a name can hide its real ending.
    const bool turnsDirection = c == 0x061C || c == 0x200E || c == 0x200F ||
                                (c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069);
    // Characters that take no room or show nothing, so that two names that look alike are
    // not: the soft hyphen, fillers, the zero width space, the word joiner and invisible
    // operators, shaping controls, the zero width no-break space, annotation marks, musical
    // format marks and tags. (The zero width joiners and the variation selectors stay: some
    // scripts, and emoji, need them.)
    const bool invisible = c == 0x00AD || c == 0x034F || c == 0x115F || c == 0x1160 ||
                           c == 0x17B4 || c == 0x17B5 || c == 0x180E || c == 0x200B ||
                           (c >= 0x2060 && c <= 0x2064) || (c >= 0x206A && c <= 0x206F) ||
                           c == 0x3164 || c == 0xFEFF || c == 0xFFA0 ||
                           (c >= 0xFFF9 && c <= 0xFFFB) || (c >= 0x1D173 && c <= 0x1D17A) ||
                           (c >= 0xE0000 && c <= 0xE007F);
    // Marks that number or abbreviate what follows, drawn over the text next to them.
    const bool prefixesNumbers = (c >= 0x0600 && c <= 0x0605) || c == 0x06DD || c == 0x070F;
    return !turnsDirection && !invisible && !prefixesNumbers && c != 0x2028 &&
           c != 0x2029;  // nor line breaks
}

void appendEscaped(std::string& out, unsigned char byte) {
    static constexpr std::string_view kNamed = "\a\b\t\n\v\f\r\x1b";
    static constexpr std::string_view kLetters = "abtnvfre";
    if (const std::size_t at = kNamed.find(static_cast<char>(byte)); at != std::string_view::npos) {
        out += '\\';
        out += kLetters[at];
        return;
    }
    out += '\\';
    out += static_cast<char>('0' + (byte >> 6));
    out += static_cast<char>('0' + ((byte >> 3) & 7));
    out += static_cast<char>('0' + (byte & 7));
}

}  // namespace

std::string printable(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    bool inEscape = false;
    for (std::size_t pos = 0; pos < text.size();) {
        char32_t character = 0;
        const std::size_t length = decode(text, pos, character);
        const bool shown = length > 0 && isShown(character);
        if (shown != !inEscape) {
            out += inEscape ? "'" : "$'";
            inEscape = !shown;
        }
        const std::size_t take = length > 0 ? length : 1;
        for (std::size_t i = 0; i < take; ++i) {
            if (shown) {
                out += text[pos + i];
            } else {
                appendEscaped(out, static_cast<unsigned char>(text[pos + i]));
            }
        }
        pos += take;
    }
    if (inEscape) {
        out += '\'';
    }
    return out;
}

}  // namespace morsela
