#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace morsela {

// The names of the pieces a script lists, in order, in little memory: a run of numbered
// names (one prefix followed by 001, 002, ... as pieces are numbered) is kept as its prefix,
// its first number and its length, so that the list of a split's pieces takes the same few
// bytes however many pieces there are. Other names are kept as they are.
//
// A name that repeats an earlier one, as Windows compares names (without regard to the
// letter case of ASCII letters), is refused as it is added.
class PieceList {
  public:
    // Appends a name; throws Error (Refused, without a path) for a repeated name, or when the
    // list would take more than kMostBytes.
    void add(const std::string& name);

    std::size_t size() const { return size_; }
    std::string name(std::size_t index) const;
    // The index of the piece of exactly this name.
    std::optional<std::size_t> indexOf(std::string_view name) const;
    // Whether a piece has this name as Windows compares names.
    bool holds(std::string_view name) const;
    // Whether `name` is a numbered piece past the end of the list: the list ends in a run of
    // numbered pieces, and the name has the run's prefix and a number beyond it.
    bool isPastTheEnd(std::string_view name) const;

    // Far beyond the names of any split; a script that needs more is not one.
    static constexpr std::size_t kMostBytes = 16 * 1024 * 1024;

  private:
    struct Run {
        std::string prefix;      // a name kept as it is has no number: it is all prefix
        std::int64_t first = 0;  // 0 for a name kept as it is
        std::int64_t count = 1;
        std::size_t start = 0;  // the index of its first piece
    };
    // The index of the piece of this name; with `exact` false, as Windows compares names.
    std::optional<std::size_t> find(std::string_view name, bool exact) const;

    std::vector<Run> runs_;
    // The runs of each prefix, as Windows compares names, by their first number: a name is
    // found in the one run that may hold its number, however many runs share the prefix.
    std::unordered_map<std::string, std::map<std::int64_t, std::size_t>> byFoldedPrefix_;
    std::size_t size_ = 0;
    std::size_t bytes_ = 0;
};

// A name split into what comes before its piece number and the number: "x.7z.012" gives
// "x.7z." and 12; a name without a piece number (three digits or more, as pieces are
// numbered, no needless leading zero past three) gives itself and 0.
std::pair<std::string_view, std::int64_t> splitPieceNumber(std::string_view name);

}  // namespace morsela
