#include "engine/join/numbered_series.h"

#include <cerrno>
#include <optional>
#include <vector>

#include "engine/error.h"
#include "engine/join/found_beside.h"

namespace morsela {
namespace {

constexpr std::size_t kNarrowest = 2;
constexpr std::size_t kWidest = 4;
constexpr std::size_t kMostDigits = 18;  // within a 64-bit number

bool allDigits(std::string_view text) {
    return !text.empty() && text.find_first_not_of("0123456789") == std::string_view::npos;
}

// Where the number of a numbered name begins: after its last dot.
std::size_t numberStart(std::string_view name) {
    const std::size_t dot = name.rfind('.');
    return dot == std::string_view::npos ? 0 : dot + 1;
}

std::int64_t valueOf(std::string_view digits) {
    std::int64_t value = 0;
    for (const char c : digits) {
        value = value * 10 + (c - '0');
    }
    return value;
}

// The number of `name` in the series of `prefix` and `width`, if it is one of its files.
std::optional<std::int64_t> numberIn(std::string_view name, std::string_view prefix,
                                     std::size_t width) {
    if (!name.starts_with(prefix)) {
        return std::nullopt;
    }
    const std::string_view digits = name.substr(prefix.size());
    const bool fits = digits.size() == width || (digits.size() > width && digits[0] != '0');
    if (!allDigits(digits) || !fits || digits.size() > kMostDigits) {
        return std::nullopt;
    }
    return valueOf(digits);
}

std::string numberText(std::int64_t number, std::size_t width) {
    std::string text = std::to_string(number);
    return text.size() < width ? std::string(width - text.size(), '0') + text : text;
}

// The width of the series `named` is a file of: the digits' count, or for a number written
// in full (photos.7z.1000) the narrowest whose first file is there.
std::size_t widthOf(const Directory& dir, std::string_view prefix, std::string_view digits) {
    std::size_t width = std::min(digits.size(), kWidest);
    for (std::size_t narrower = kNarrowest; digits[0] != '0' && narrower < width; ++narrower) {
        const std::string first = std::string(prefix) + numberText(0, narrower);
        const std::string second = std::string(prefix) + numberText(1, narrower);
        if (dir.entry(first) || dir.entry(second)) {
            return narrower;
        }
    }
    return width;
}

}  // namespace

bool isNumberedName(std::string_view name) {
    const std::size_t start = numberStart(name);
    const std::string_view digits = name.substr(start);
    return start > 1 && allDigits(digits) && digits.size() >= kNarrowest &&
           digits.size() <= kMostDigits && (digits.size() <= kWidest || digits[0] != '0');
}

bool isFirstNumberedName(std::string_view name) {
    return isNumberedName(name) && valueOf(name.substr(numberStart(name))) <= 1;
}

std::string NumberedSeries::name(std::int64_t index) const {
    return prefix_ + numberText(first_ + index, width_);
}

bool NumberedSeries::isPastTheEnd(std::string_view name) const {
    const auto number = numberIn(name, prefix_, width_);
    return number && *number >= first_ + count_;
}

NumberedSeries::NumberedSeries(const Directory& dir, const std::string& named,
                               const StandIns* standIns)
    : prefix_(named.substr(0, numberStart(named))), standIns_(standIns) {
    const auto namedStatus = dir.entry(named);
    if (!namedStatus) {
        throw Error::ofSource(dir.pathOf(named), ENOENT);
    }
    const std::string_view digits = std::string_view(named).substr(prefix_.size());
    width_ = widthOf(dir, prefix_, digits);
    // One look at the names: the lowest and highest number, how many there are, and the
    // lowest-numbered file that does not belong with the one named.
    std::int64_t lowest = valueOf(digits);
    std::int64_t highest = lowest;
    std::int64_t files = 0;
    std::optional<std::int64_t> foreign;
    dir.forEachName([&](const std::string& name) {
        const auto number = numberIn(name, prefix_, width_);
        const auto status = number ? dir.entry(name) : std::nullopt;
        if (status) {
            ++files;
            lowest = std::min(lowest, *number);
            highest = std::max(highest, *number);
            if (!belongsWithPieces(*status, *namedStatus) && (!foreign || *number < *foreign)) {
                foreign = number;
            }
        }
    });
    // Files rebuilt for the join alone are there too, where nothing stands under their names.
    for (const std::string& name : standIns ? standIns->names() : std::vector<std::string>{}) {
        const auto number = numberIn(name, prefix_, width_);
        if (number && !dir.entry(name)) {
            ++files;
            lowest = std::min(lowest, *number);
            highest = std::max(highest, *number);
        }
    }
    first_ = lowest;
    if (foreign) {
        throw Error::refused(dir.pathOf(name(*foreign - first_)),
                             "belongs to another user than " + named +
                                 "; a piece that someone else added is not joined");
    }
    if (lowest > 1) {
        throw Error::refused(dir.pathOf(named),
                             "is not the first of its series: the lowest number beside it is " +
                                 name(0) + "; the pieces before it are missing");
    }
    for (count_ = 0; count_ < files && isThere(dir, name(count_)); ++count_) {
    }
    if (count_ < files) {
        refuseGap(dir, highest);
    }
}

bool NumberedSeries::isThere(const Directory& dir, const std::string& name) const {
    return dir.entry(name) || (standIns_ != nullptr && standIns_->has(name));
}

// The first number there past the gap is named, as the lowest would be.
void NumberedSeries::refuseGap(const Directory& dir, std::int64_t highest) const {
    std::int64_t beyond = highest;
    dir.forEachName([&](const std::string& name) {
        const auto number = numberIn(name, prefix_, width_);
        if (number && *number > first_ + count_) {
            beyond = std::min(beyond, *number);
        }
    });
    throw Error::refused(dir.pathOf(name(count_)), "is missing, though " + name(beyond - first_) +
                                                       " is there; a piece was lost on the way");
}

}  // namespace morsela
