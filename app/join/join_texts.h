#pragma once

#include <QString>
#include <cstdint>

#include "engine/join/join.h"

namespace morsela {

// The join window's words for what the engine reports; sizes, times and counts are read as
// words/human_text.h says, as on the command line.

// The line under the bar while a join runs: "512 MiB of 1.1 GiB, 85 MiB/s, 0:08 left"; the
// rate and the time left once there is a second to judge them by.
QString progressLine(std::int64_t done, std::int64_t total, double seconds);

// What a finished join took: "1.1 GiB in 0:12".
QString doneLine(std::int64_t bytes, double seconds);

// "12 pieces, 1.1 GiB in all".
QString piecesLine(const JoinPlan& plan);

// Whether the pieces are checked, naming the checksum file: "Checked against
// holiday.zip.sha256 beside the pieces".
QString checksumLine(const JoinPlan& plan);

// What a finished join made: "Joined /home/ana/holiday.zip (1.1 GiB); all 12 pieces
// matched their checksums."
QString resultLine(const JoinOutcome& outcome);

// A missing or damaged piece that the recovery files describe: "/media/stick/holiday.003 is
// missing; Join rebuilds it from the recovery files first."
QString rebuildLine(const std::string& piece, bool damaged);

// Pieces that recovery files beside them describe, before the join: what Join does first.
QString recoveryLine();

// While the pieces are checked against the recovery files, before the join.
QString checkingLine();

}  // namespace morsela
