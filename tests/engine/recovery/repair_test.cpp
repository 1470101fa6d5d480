#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "engine/join/join.h"
#include "engine/join/verify.h"
#include "engine/recovery/packets.h"
#include "engine/split.h"
#include "tests/engine/recovery/par2_judge.h"
#include "tests/support/child_process.h"
#include "tests/support/recording_observer.h"
#include "tests/support/temp_dir.h"

namespace morsela {
namespace {

using test::TempDir;

// A split of 1 MB into 50 kB pieces (20 of them) with recovery files beside them.
class RepairTest : public ::testing::Test {
  protected:
    void splitWith(int percent) {
        source = test::patternBytes(1'000'000, 9);
        test::writeFile(in / "film.mkv", source);
        SplitRequest request{in / "film.mkv", out.dirText(), 50'000, 0, false, false};
        request.recoveryPercent = percent;
        split(request, events);
    }

    void damage(const std::string& piece, std::size_t at) const {
        std::string bytes = test::readFile(out / piece);
        bytes[at] ^= 0x10;
        test::writeFile(out / piece, bytes);
    }

    test::Attempt<JoinOutcome> joinInto(const std::string& script) {
        return test::attempt([&] {
            return join({out / script, in / "joined", false, true}, events);
        });
    }

    bool hasNotice(const std::string& text) const {
        for (const std::string& notice : events.notices) {
            if (notice.find(text) != std::string::npos) {
                return true;
            }
        }
        return false;
    }

    TempDir in;
    TempDir out;
    test::RecordingObserver events;
    std::string source;
};

TEST_F(RepairTest, JoinRebuildsALostAndADamagedPieceAndSaysWhich) {
    splitWith(10);  // 2 blocks of a piece each
    std::filesystem::remove(out / "film.007");
    damage("film.013", 49'999);
    const std::string damaged = test::readFile(out / "film.013");
    const auto joined = joinInto("film.bat");
    ASSERT_TRUE(joined.outcome) << joined.text();
    EXPECT_EQ(test::readFile(in / "joined"), source);
    EXPECT_TRUE(hasNotice(out / "film.007: rebuilt from the recovery files"));
    EXPECT_TRUE(hasNotice(out / "film.013: rebuilt from the recovery files; the damaged one is "
                                "kept as film.013.1"));
    // The bytes replaced are kept: recovery files beside the pieces may be another split's.
    EXPECT_EQ(test::readFile(out / "film.013.1"), damaged);
    EXPECT_EQ(test::readFile(out / "film.007"), source.substr(300'000, 50'000));
}

TEST_F(RepairTest, APieceWithBytesAddedOrCutIsBroughtBackToItsLength) {
    splitWith(10);
    test::writeFile(out / "film.003", test::readFile(out / "film.003") + "tail");
    test::writeFile(out / "film.004", test::readFile(out / "film.004").substr(0, 49'000));
    const auto joined = joinInto("film.bat");
    ASSERT_TRUE(joined.outcome) << joined.text();
    EXPECT_EQ(test::readFile(in / "joined"), source);
    EXPECT_EQ(std::filesystem::file_size(out / "film.003"), 50'000u);
}

TEST_F(RepairTest, TooMuchLostSaysHowManyMoreBlocksAndTheJoinFailsOnThePiece) {
    splitWith(10);
    for (const char* piece : {"film.002", "film.003", "film.004"}) {
        std::filesystem::remove(out / piece);
    }
    const auto joined = joinInto("film.001");
    ASSERT_FALSE(joined.outcome);
    EXPECT_NE(joined.text().find("film.002"), std::string::npos) << joined.text();
    EXPECT_TRUE(hasNotice("1 more recovery block would be needed"));
    EXPECT_FALSE(std::filesystem::exists(in / "joined"));
}

TEST_F(RepairTest, VerifySaysWhatIsLostAndWhetherItCanBeRebuiltWritingNothing) {
    splitWith(10);
    EXPECT_TRUE(verify({out / "film.bat"}, events).recovery.missing.empty());
    std::filesystem::remove(out / "film.020");
    damage("film.001", 0);
    const VerifyOutcome outcome = verify({out / "film.bat"}, events);
    ASSERT_TRUE(outcome.recovery.found);
    EXPECT_EQ(outcome.recovery.missing, std::vector<std::string>{out / "film.020"});
    EXPECT_EQ(outcome.recovery.damaged, std::vector<std::string>{out / "film.001"});
    EXPECT_TRUE(outcome.recovery.rebuildable);
    EXPECT_FALSE(std::filesystem::exists(out / "film.020"));
    damage("film.002", 7);
    EXPECT_EQ(verify({out / "film.bat"}, events).recovery.moreBlocksNeeded, 1);
}

TEST_F(RepairTest, ASetThatPar2MadeOverThePiecesIsUsed) {
    if (!recovery::par2Available()) {
        GTEST_SKIP() << "par2 is not installed";
    }
    splitWith(0);
    ASSERT_EQ(std::system(("cd '" + out.path().string() +
                           "' && par2 create -q -q -r25 -s20000 film.par2 film.0* >/dev/null")
                              .c_str()),
              0);
    std::filesystem::remove(out / "film.011");
    damage("film.004", 123);
    const auto joined = joinInto("film.bat");
    ASSERT_TRUE(joined.outcome) << joined.text();
    EXPECT_EQ(test::readFile(in / "joined"), source);
}

TEST_F(RepairTest, RecoveryFilesOfAnotherUserAreNotHeard) {
    if (!test::isRoot()) {
        GTEST_SKIP() << "needs root, to give the recovery files to another user";
    }
    splitWith(10);
    for (const auto& entry : std::filesystem::directory_iterator(out.path())) {
        if (entry.path().extension() == ".par2") {
            ASSERT_EQ(::chown(entry.path().c_str(), 65534, 65534), 0);
        }
    }
    std::filesystem::remove(out / "film.005");
    EXPECT_FALSE(joinInto("film.bat").outcome);
    EXPECT_FALSE(std::filesystem::exists(out / "film.005"));
    const auto verified = test::attempt([&] { return verify({out / "film.bat"}, events); });
    EXPECT_NE(verified.text().find("film.005: No such file"), std::string::npos);
}

TEST_F(RepairTest, AHostileRecoveryFileIsRefusedWithItsReasonAndTheJoinGoesOn) {
    splitWith(10);
    std::string tooManyFiles;
    recovery::putNumber(tooManyFiles, 50'000, 8);
    recovery::putNumber(tooManyFiles, 0x7fffffff, 4);
    test::writeFile(out / "film.mkv.par2",
                    recovery::packet(recovery::Hash16{}, recovery::kMainType, tooManyFiles));
    const auto verified = test::attempt([&] { return verify({out / "film.bat"}, events); });
    EXPECT_NE(
        verified.text().find("film.mkv.par2: holds a main packet that no recovery set can have"),
        std::string::npos)
        << verified.text();
    ASSERT_TRUE(joinInto("film.bat").outcome);
    EXPECT_EQ(test::readFile(in / "joined"), source);
    EXPECT_TRUE(hasNotice("film.mkv.par2: not used for recovery"));
}

}  // namespace
}  // namespace morsela
