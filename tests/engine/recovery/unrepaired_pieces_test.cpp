// What the recovery files beside the pieces show is heeded: a join of a piece they show
// damaged or missing that is not rebuilt fails before anything is written.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "engine/join/join.h"
#include "engine/split.h"
#include "tests/support/recording_observer.h"
#include "tests/support/temp_dir.h"

namespace morsela {
namespace {

namespace fs = std::filesystem;
using test::TempDir;

// 100 KB cut into 10 KB pieces (g.001 to g.010) with recovery files beside them.
class UnrepairedPieces : public ::testing::Test {
  protected:
    void splitWith(int percent) {
        source = test::patternBytes(100 * 1024, 5);
        test::writeFile(in / "g.bin", source);
        SplitRequest request{in / "g.bin", out.dirText(), 10 * 1024};
        request.recoveryPercent = percent;
        ASSERT_TRUE(test::attempt([&] { return split(request, events); }).outcome);
    }

    void damage(const std::string& piece) const {
        std::string bytes = test::readFile(out / piece);
        bytes[100] ^= 0x01;
        test::writeFile(out / piece, bytes);
    }

    test::Attempt<JoinOutcome> joinTo(const std::string& input, const std::string& target) {
        return test::attempt([&] { return join({out / input, target}, events); });
    }

    TempDir in;
    TempDir out;
    test::RecordingObserver events;
    std::string source;
};

TEST_F(UnrepairedPieces, ADamagedPieceThatCannotBeKeptAsideFailsTheJoin) {
    splitWith(20);
    damage("g.003");
    // Every name the damaged piece could be kept under is taken, so it is not rebuilt.
    for (int i = 1; i <= 99; ++i) {
        fs::create_symlink("/nonexistent", out / ("g.003." + std::to_string(i)));
    }
    const auto joined = joinTo("g.bat", in / "o8");
    ASSERT_FALSE(joined.outcome) << "joined although g.003 is damaged";
    EXPECT_NE(joined.text().find(out / "g.003: is damaged, as the recovery files show, and it "
                                       "could not be rebuilt"),
              std::string::npos)
        << joined.text();
    EXPECT_FALSE(fs::exists(in / "o8"));
    EXPECT_EQ(test::namesIn(in.path()), std::vector<std::string>{"g.bin"});  // no temporary left
}

TEST_F(UnrepairedPieces, TooFewRecoveryBlocksForTheDamagedPiecesFailTheJoin) {
    splitWith(10);  // one block of a piece: one piece can be rebuilt
    damage("g.002");
    damage("g.007");
    for (const char* input : {"g.bat", "g.001"}) {
        SCOPED_TRACE(input);
        const auto joined = joinTo(input, in / "joined");
        ASSERT_FALSE(joined.outcome) << "joined although two pieces are damaged";
        EXPECT_NE(joined.text().find(out / "g.002: is damaged"), std::string::npos)
            << joined.text();
        EXPECT_NE(joined.text().find("1 more recovery block would be needed"), std::string::npos)
            << joined.text();
        EXPECT_FALSE(fs::exists(in / "joined"));
    }
    // One damaged piece is rebuilt, and the join goes on with it.
    test::writeFile(out / "g.002", source.substr(10 * 1024, 10 * 1024));
    const auto joined = joinTo("g.bat", in / "joined");
    ASSERT_TRUE(joined.outcome) << joined.text();
    EXPECT_EQ(test::readFile(in / "joined"), source);
}

}  // namespace
}  // namespace morsela
