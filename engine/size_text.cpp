#include "engine/size_text.h"

#include <locale.h>
#include <clocale>
#include <cmath>
#include <cstdlib>
#include <string>

namespace morsela {
namespace {

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}
bool isSkipped(char c) {
    return c == ' ' || c == '\t' || c == '\n';
}

// strtod in the "C" locale, so that "." is the decimal point even when the program runs
// under a locale that writes ",".
double parseInCLocale(const std::string& number) {
    static const locale_t cLocale = newlocale(LC_NUMERIC_MASK, "C", locale_t{});
    return strtod_l(number.c_str(), nullptr, cLocale);
}

}  // namespace

LeadingNumber leadingNumber(std::string_view text) {
    std::string s;
    s.reserve(text.size());
    for (char c : text) {
        if (!isSkipped(c)) {
            s += c;
        }
    }

    // Collect the longest prefix that forms a number; strtod then sees only digits, one
    // point, a sign and an exponent, never "inf", "nan" or a hexadecimal form.
    std::string number;
    std::size_t i = 0;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
        number += s[i++];
    }
    std::size_t digits = 0;
    for (; i < s.size() && isDigit(s[i]); ++i, ++digits) {
        number += s[i];
    }
    if (i < s.size() && s[i] == '.') {
        number += s[i++];
        for (; i < s.size() && isDigit(s[i]); ++i, ++digits) {
            number += s[i];
        }
    }
    if (digits == 0) {
        return {0.0, false, s};
    }
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        std::size_t j = i + 1;
        std::string exponent = "e";
        if (j < s.size() && (s[j] == '+' || s[j] == '-')) {
            exponent += s[j++];
        }
        if (j < s.size() && isDigit(s[j])) {
            for (; j < s.size() && isDigit(s[j]); ++j) {
                exponent += s[j];
            }
            number += exponent;
            i = j;
        }
    }
    return {parseInCLocale(number), true, s.substr(i)};
}

PieceSize pieceSizeOf(double bytes) {
    bytes = std::nearbyint(bytes);  // halves go to even
    if (!(bytes >= 1.0)) {
        return {PieceSize::Status::TooSmall, 0};
    }
    if (!(bytes < 9223372036854775808.0)) {  // 2^63: the first value past int64_t
        return {PieceSize::Status::TooLarge, 0};
    }
    return {PieceSize::Status::Ok, static_cast<std::int64_t>(bytes)};
}

PieceSize readPieceSize(std::string_view text, std::span<const SizeUnit> units) {
    const LeadingNumber number = leadingNumber(text);
    for (const SizeUnit& unit : units) {
        if (number.found && number.rest == unit.name) {
            return pieceSizeOf(number.value * unit.bytes);
        }
    }
    return {PieceSize::Status::BadUnit, 0};
}

}  // namespace morsela
