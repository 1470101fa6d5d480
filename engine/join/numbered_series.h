#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "engine/join/stand_ins.h"
#include "engine/os/directory.h"

namespace morsela {

// A numbered series as other tools write one, given by any of its files: 7-Zip's volumes
// (photos.7z.001 on, photos.7z.1000 past the thousandth) and the standard split tool's
// numeric suffixes (data.bin.00, data.bin.000 or data.bin.0000 on, from 0 or from 1). Its
// files are NAME, a dot and a number written in the width of the first (two to four digits;
// a number too large for the width is written in full).

// Whether `name` is a file of a numbered series: a name of one character or more, a dot,
// then two to four digits, or more digits without a leading zero.
bool isNumberedName(std::string_view name);

// Whether `name` is a numbered name numbered 0 or 1 (data.bin.00, data.bin.000, photos.7z.001):
// where a series begins, since one whose lowest number is past 1 misses its first pieces.
bool isFirstNumberedName(std::string_view name);

// The series a numbered file belongs to: the run of numbered files of its width beside it,
// from the lowest number there on as long as the numbers run on.
class NumberedSeries {
  public:
    // Looks at the names in `dir` once. Refuses a `named` file that is not there, a series
    // whose lowest number is past 1 (its first pieces are missing), a gap before a higher
    // number, and a file of the series that does not belong with the file named (another
    // user's, found_beside.h): none is skipped. A file with a stand-in (stand_ins.h) counts
    // as there. Throws Error naming the file.
    NumberedSeries(const Directory& dir, const std::string& named,
                   const StandIns* standIns = nullptr);

    // The file the pieces make: the series' name without its dot and number.
    std::string target() const { return prefix_.substr(0, prefix_.size() - 1); }
    std::int64_t count() const { return count_; }
    // The name of the series' `index`th file, from 0.
    std::string name(std::int64_t index) const;
    // Whether `name` is a file of the series numbered past its last: one lost on the way.
    bool isPastTheEnd(std::string_view name) const;

  private:
    [[noreturn]] void refuseGap(const Directory& dir, std::int64_t highest) const;
    // Whether the file `name` of the series is there, or stood in for.
    bool isThere(const Directory& dir, const std::string& name) const;

    std::string prefix_;  // "data.bin."
    std::size_t width_ = 3;
    std::int64_t first_ = 1;
    std::int64_t count_ = 0;
    const StandIns* standIns_ = nullptr;
};

}  // namespace morsela
