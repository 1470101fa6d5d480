#pragma once

#include <set>
#include <string>
#include <string_view>

#include "engine/os/directory.h"

namespace morsela {

// The names that a join of `input` (a rejoin script or a numbered piece, in `dir`) takes as
// its pieces, whether they are there or not: the plain names its script names, or, for a
// numbered piece, every name numbered as it is (report.001: "report." and digits). These, and
// no other names, are what recovery files beside the pieces may rebuild, create or replace,
// and what verify and join report of them: a received recovery set may list any file whose
// name begins as the pieces' do (report.pdf beside report.001, .bashrc beside ..001), and
// such a file is never written for it.
class JoinPieceNames {
  public:
    // Reads the script where `input` is one; one that cannot be read names no piece.
    JoinPieceNames(const Directory& dir, const std::string& input);

    bool holds(std::string_view name) const;

  private:
    std::string prefix_;           // a numbered input's name without its digits
    std::set<std::string> named_;  // the pieces a script names
};

}  // namespace morsela
