#include "engine/script/piece_list.h"

#include <algorithm>
#include <charconv>

#include "engine/error.h"
#include "engine/piece_names.h"
#include "engine/script/script_words.h"

namespace morsela {

std::pair<std::string_view, std::int64_t> splitPieceNumber(std::string_view name) {
    std::size_t digits = name.size();
    while (digits > 0 && name[digits - 1] >= '0' && name[digits - 1] <= '9') {
        --digits;
    }
    const std::string_view text = name.substr(digits);
    std::int64_t number = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
    const bool numbered = !text.empty() && error == std::errc() &&
                          end == text.data() + text.size() && number >= 1 &&
                          pieceNumberText(number) == text;
    return numbered ? std::pair{name.substr(0, digits), number} : std::pair{name, std::int64_t{0}};
}

void PieceList::add(const std::string& name) {
    if (holds(name)) {
        throw Error::refused(
            "", "names the piece \"" + name + "\" twice; a split never names a piece twice");
    }
    const auto [prefix, number] = splitPieceNumber(name);
    ++size_;
    if (!runs_.empty() && number > 0) {
        Run& last = runs_.back();
        if (last.first > 0 && last.prefix == prefix && last.first + last.count == number) {
            ++last.count;
            return;
        }
    }
    bytes_ += sizeof(Run) + 2 * prefix.size() + 64;  // the run, its prefix twice, the index
    if (bytes_ > kMostBytes) {
        throw Error::refused("", "names more different pieces than any split has");
    }
    runs_.push_back({std::string(prefix), number, 1, size_ - 1});
    byFoldedPrefix_[foldCase(prefix)].emplace(number, runs_.size() - 1);
}

std::string PieceList::name(std::size_t index) const {
    const auto run = std::upper_bound(runs_.begin(), runs_.end(), index,
                                      [](std::size_t i, const Run& r) { return i < r.start; });
    const Run& found = *std::prev(run);
    return found.first == 0
               ? found.prefix
               : found.prefix +
                     pieceNumberText(found.first + static_cast<std::int64_t>(index - found.start));
}

std::optional<std::size_t> PieceList::indexOf(std::string_view name) const {
    return find(name, true);
}

bool PieceList::holds(std::string_view name) const {
    return find(name, false).has_value();
}

// A name is looked up as it is (a name kept whole), and as a prefix and a number. Runs of
// one prefix never overlap (a name already held is refused), so the run that starts at or
// below the number is the only one that may hold it.
std::optional<std::size_t> PieceList::find(std::string_view name, bool exact) const {
    const auto [prefix, number] = splitPieceNumber(name);
    for (const auto& [candidate, pieceNumber] :
         {std::pair{name, std::int64_t{0}}, std::pair{prefix, number}}) {
        const auto runs = byFoldedPrefix_.find(foldCase(candidate));
        if (runs == byFoldedPrefix_.end()) {
            continue;
        }
        auto it = runs->second.upper_bound(pieceNumber);
        if (it == runs->second.begin()) {
            continue;
        }
        const Run& run = runs_[std::prev(it)->second];
        const bool within = pieceNumber == 0 ? run.first == 0 : pieceNumber < run.first + run.count;
        if (within && (!exact || run.prefix == candidate)) {
            return run.start + static_cast<std::size_t>(pieceNumber - run.first);
        }
    }
    return std::nullopt;
}

bool PieceList::isPastTheEnd(std::string_view name) const {
    if (runs_.empty() || runs_.back().first == 0) {
        return false;
    }
    const auto [prefix, number] = splitPieceNumber(name);
    const Run& last = runs_.back();
    return prefix == last.prefix && number >= last.first + last.count;
}

}  // namespace morsela
