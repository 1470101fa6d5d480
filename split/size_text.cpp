#include "split/size_text.h"

#include <locale.h>
#include <clocale>
#include <cmath>
#include <cstdlib>
#include <optional>
#include <string>
#include <utility>

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

// The leading number of a text, and what follows it, blanks left out.
struct LeadingNumber {
    double value = 0;
    bool found = false;
    std::string rest;
};

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

// The units of the standard tools: K, M, G, T and KiB ... TiB count in powers of 1024;
// KB ... TB in powers of 1000. No unit is kilobytes of 1024 bytes.
std::optional<double> unitFactor(const std::string& unit) {
    static const std::pair<const char*, double> kUnits[] = {
        {"", 1024.0},
        {"K", 1024.0},
        {"M", 1048576.0},
        {"G", 1073741824.0},
        {"T", 1099511627776.0},
        {"KiB", 1024.0},
        {"MiB", 1048576.0},
        {"GiB", 1073741824.0},
        {"TiB", 1099511627776.0},
        {"KB", 1e3},
        {"MB", 1e6},
        {"GB", 1e9},
        {"TB", 1e12},
    };
    for (const auto& [name, factor] : kUnits) {
        if (unit == name) {
            return factor;
        }
    }
    return std::nullopt;
}

PieceSize sizeInBytes(double bytes) {
    bytes = std::nearbyint(bytes);  // halves go to even
    if (!(bytes >= 1.0)) {
        return {PieceSize::Status::TooSmall, 0};
    }
    if (!(bytes < 9223372036854775808.0)) {  // 2^63: the first value past int64_t
        return {PieceSize::Status::TooLarge, 0};
    }
    return {PieceSize::Status::Ok, static_cast<std::int64_t>(bytes)};
}

}  // namespace

double Val(std::string_view text) {
    return leadingNumber(text).value;
}

PieceSize pieceSizeFromText(std::string_view sizeText) {
    return sizeInBytes(Val(sizeText) * 1024.0);
}

PieceSize pieceSizeWithUnit(std::string_view sizeText) {
    const LeadingNumber number = leadingNumber(sizeText);
    const std::optional<double> factor = unitFactor(number.rest);
    if (!number.found || !factor) {
        return {PieceSize::Status::BadUnit, 0};
    }
    return sizeInBytes(number.value * *factor);
}

}  // namespace morsela
