#pragma once

#include <string>

namespace morsela::test {

// Counts the cases of each kind that a test program tried and how many of them passed, and
// prints the counts when the program ends, so that a run says in figures what it covered.
//
//   { CaseTally tally("fault cases"); ...assertions... }  // passed when none of them failed
class CaseTally {
  public:
    explicit CaseTally(std::string kind);
    ~CaseTally();
    CaseTally(const CaseTally&) = delete;
    CaseTally& operator=(const CaseTally&) = delete;

  private:
    std::string kind_;
    int failuresBefore_;
};

}  // namespace morsela::test
