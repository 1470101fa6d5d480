#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>

#include "engine/join/join.h"
#include "engine/join/verify.h"
#include "engine/os/fault_hooks.h"
#include "engine/recovery/packets.h"
#include "engine/recovery/recovery_beside.h"
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
    EXPECT_TRUE(verify(out / "film.bat", events).recovery.missing.empty());
    std::filesystem::remove(out / "film.020");
    damage("film.001", 0);
    const VerifyOutcome outcome = verify(out / "film.bat", events);
    ASSERT_TRUE(outcome.recovery.found);
    EXPECT_EQ(outcome.recovery.missing, std::vector<std::string>{out / "film.020"});
    EXPECT_EQ(outcome.recovery.damaged, std::vector<std::string>{out / "film.001"});
    EXPECT_TRUE(outcome.recovery.rebuildable);
    EXPECT_FALSE(std::filesystem::exists(out / "film.020"));
    damage("film.002", 7);
    EXPECT_EQ(verify(out / "film.bat", events).recovery.moreBlocksNeeded, 1);
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
    const auto verified = test::attempt([&] { return verify(out / "film.bat", events); });
    EXPECT_NE(verified.text().find("film.005: No such file"), std::string::npos);
}

TEST_F(RepairTest, AHostileRecoveryFileIsRefusedWithItsReasonAndTheJoinGoesOn) {
    splitWith(10);
    std::string tooManyFiles;
    recovery::putNumber(tooManyFiles, 50'000, 8);
    recovery::putNumber(tooManyFiles, 0x7fffffff, 4);
    test::writeFile(out / "film.mkv.par2",
                    recovery::packet(recovery::Hash16{}, recovery::kMainType, tooManyFiles));
    const auto verified = test::attempt([&] { return verify(out / "film.bat", events); });
    EXPECT_NE(
        verified.text().find("film.mkv.par2: holds a main packet that no recovery set can have"),
        std::string::npos)
        << verified.text();
    ASSERT_TRUE(joinInto("film.bat").outcome);
    EXPECT_EQ(test::readFile(in / "joined"), source);
    EXPECT_TRUE(hasNotice("film.mkv.par2: not used for recovery"));
}

// Another user of the folder may put a file under the name the damaged piece is to be kept
// under at any moment; whenever it comes, between any two calls of the repair, it is never
// replaced, and the damaged piece is kept under the next free name.
TEST_F(RepairTest, AFilePutUnderTheKeptNameMeanwhileIsNeverReplaced) {
    splitWith(10);
    damage("film.013", 49'999);
    const std::string damaged = test::readFile(out / "film.013");
    const auto copyOut = [&](const TempDir& to) {
        for (const auto& entry : std::filesystem::directory_iterator(out.path())) {
            std::filesystem::copy_file(entry.path(), to.path() / entry.path().filename());
        }
    };
    long calls = 0;
    {
        TempDir clean;
        copyOut(clean);
        sys::runBeforeCall(0, nullptr);
        ASSERT_EQ(recovery::repairBeside(clean / "film.bat", events).rebuilt.size(), 1u);
        calls = sys::callsSinceInjection();
    }
    // The damaged piece is moved aside after it is rebuilt, among the repair's last calls.
    int plantedBeforeTheMove = 0;
    for (long call = std::max(1L, calls - 40); call <= calls; ++call) {
        SCOPED_TRACE("another user's file put there before call " + std::to_string(call));
        TempDir dir;
        copyOut(dir);
        bool ran = false;
        bool planted = false;
        sys::runBeforeCall(call, [&] {
            // Only while the name is free: once the damaged piece is there, it is the repair's.
            std::FILE* file = std::fopen((dir / "film.013.1").c_str(), "wx");
            planted = file != nullptr && std::fputs("another user's file", file) >= 0;
            ran = file == nullptr || std::fclose(file) == 0;
        });
        const recovery::RecoveryReport report = recovery::repairBeside(dir / "film.bat", events);
        sys::runBeforeCall(0, nullptr);
        ASSERT_TRUE(ran);
        ASSERT_EQ(report.keptAs.size(), 1u);
        EXPECT_EQ(test::readFile(report.keptAs[0]), damaged);
        if (planted) {
            EXPECT_TRUE(test::readFile(dir / "film.013.1") == "another user's file")
                << "the file put under film.013.1 was replaced";
            EXPECT_EQ(report.keptAs[0], dir / "film.013.2");
            ++plantedBeforeTheMove;
        }
        EXPECT_EQ(test::readFile(dir / "film.013"), source.substr(600'000, 50'000));
    }
    EXPECT_GT(plantedBeforeTheMove, 0);
}

}  // namespace
}  // namespace morsela
