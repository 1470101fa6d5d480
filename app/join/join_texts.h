#pragma once

#include <QString>
#include <cstdint>

#include "split/join/join.h"

namespace morsela {

// The join window's words for what the engine reports: sizes, times and counts as a person
// reads them.

// A size rounded for reading: "512 bytes", "9.5 MiB", "730 MiB", "1.1 GiB".
QString roughSize(std::int64_t bytes);

// A time as a clock shows it, in whole seconds: "0:05", "1:05", "1:02:03".
QString clockTime(double seconds);

// How long a job took: "0.4 s", "59.9 s" below a minute, then as clockTime shows it.
QString duration(double seconds);

// "1 piece", "12 pieces".
QString countOf(std::int64_t count, const char* one, const char* many);

// The line under the bar while a join runs: "512 MiB of 1.1 GiB, 85 MiB/s, 0:08 left"; the
// rate and the time left once there is a second to judge them by.
QString progressLine(std::int64_t done, std::int64_t total, double seconds);

// "12 pieces, 1.1 GiB in all".
QString piecesLine(const JoinPlan& plan);

// Whether the pieces are checked, naming the checksum file: "Checked against
// holiday.zip.sha256 beside the pieces".
QString checksumLine(const JoinPlan& plan);

// What a finished join made: "Joined /home/ana/holiday.zip (1.1 GiB); all 12 pieces
// matched their checksums."
QString resultLine(const JoinOutcome& outcome);

// A missing piece that the recovery files describe: "/media/stick/holiday.003 is missing;
// Join rebuilds it from the recovery files first."
QString rebuildLine(const std::string& piece);

}  // namespace morsela
