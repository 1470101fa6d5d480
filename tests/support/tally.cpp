#include "tests/support/tally.h"

#include <gtest/gtest.h>
#include <cstdio>
#include <map>
#include <utility>

namespace morsela::test {
namespace {

std::map<std::string, std::pair<int, int>>& counts() {
    static std::map<std::string, std::pair<int, int>> tried_passed;
    return tried_passed;
}

int failuresSoFar() {
    const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
    if (test == nullptr) {
        return 0;
    }
    int failed = 0;
    const ::testing::TestResult* result = test->result();
    for (int i = 0; i < result->total_part_count(); ++i) {
        failed += result->GetTestPartResult(i).failed() ? 1 : 0;
    }
    return failed;
}

class TallyPrinter : public ::testing::Environment {
  public:
    void TearDown() override {
        if (counts().empty()) {
            return;
        }
        std::printf("\nCases tried and passed:\n");
        for (const auto& [kind, figures] : counts()) {
            std::printf("  %-22s %4d tried, %4d passed\n", kind.c_str(), figures.first,
                        figures.second);
        }
    }
};

[[maybe_unused]] const auto* const printer = ::testing::AddGlobalTestEnvironment(new TallyPrinter);

}  // namespace

CaseTally::CaseTally(std::string kind) : kind_(std::move(kind)), failuresBefore_(failuresSoFar()) {}

CaseTally::~CaseTally() {
    auto& [tried, passed] = counts()[kind_];
    ++tried;
    passed += failuresSoFar() == failuresBefore_ ? 1 : 0;
}

}  // namespace morsela::test
