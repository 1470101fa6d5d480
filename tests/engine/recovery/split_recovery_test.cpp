#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

#include "engine/error.h"
#include "engine/split.h"
#include "tests/engine/recovery/par2_judge.h"
#include "tests/support/recording_observer.h"
#include "tests/support/temp_dir.h"

namespace morsela {
namespace {

using recovery::runPar2;
using test::TempDir;

class SplitRecoveryTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!recovery::par2Available()) {
            GTEST_SKIP() << "par2 is not installed";
        }
    }

    SplitOutcome splitWith(std::int64_t length, std::int64_t pieceSize, int percent,
                           bool checksum = false) {
        source = patternBytes(length);
        test::writeFile(in / "film.mkv", source);
        SplitRequest request{in / "film.mkv", out.dirText(), pieceSize, 0, checksum, false};
        request.recoveryPercent = percent;
        return split(request, events);
    }

    std::string joined(std::int64_t pieces) const {
        std::string bytes;
        for (std::int64_t i = 1; i <= pieces; ++i) {
            char name[32];
            std::snprintf(name, sizeof name, "film.%03lld", static_cast<long long>(i));
            bytes += test::readFile(out / name);
        }
        return bytes;
    }

    static std::string patternBytes(std::int64_t length) { return test::patternBytes(length, 5); }

    TempDir in;
    TempDir out;
    test::RecordingObserver events;
    std::string source;
};

TEST_F(SplitRecoveryTest, Par2RepairsALostAndADamagedPieceWithinReach) {
    const SplitOutcome outcome = splitWith(2'000'003, 100'000, 10, true);  // 21 pieces, 2 blocks
    ASSERT_EQ(outcome.recoveryFiles.front(), out / "film.mkv.par2");
    EXPECT_EQ(outcome.recoveryBlocks, 2);
    EXPECT_TRUE(std::filesystem::exists(out / "film.mkv.sha256"));  // both, when both are asked
    ASSERT_EQ(runPar2(out, "verify", "film.mkv.par2"), 0);
    std::filesystem::remove(out / "film.007");
    std::string damaged = test::readFile(out / "film.012");
    damaged[5000] ^= 0x40;
    test::writeFile(out / "film.012", damaged);
    ASSERT_NE(runPar2(out, "verify", "film.mkv.par2"), 0);
    ASSERT_EQ(runPar2(out, "repair", "film.mkv.par2"), 0);
    EXPECT_EQ(joined(outcome.pieces), source);
}

TEST_F(SplitRecoveryTest, TheLastShortPieceAndOddLengthsAreRebuilt) {
    const SplitOutcome outcome = splitWith(300'001, 30'002, 20);  // 11 pieces, last 1 byte
    ASSERT_EQ(runPar2(out, "verify", "film.mkv.par2"), 0);
    std::filesystem::remove(out / "film.011");
    std::filesystem::remove(out / "film.003");
    ASSERT_EQ(runPar2(out, "repair", "film.mkv.par2"), 0);
    EXPECT_EQ(joined(outcome.pieces), source);
}

TEST_F(SplitRecoveryTest, ASplitAgainLeavesNoVolumeOfTheEarlierOne) {
    splitWith(1'000'000, 50'000, 40);  // 8 blocks: vol00+01 to vol07+01
    ASSERT_TRUE(std::filesystem::exists(out / "film.mkv.vol07+01.par2"));
    // Named like a volume, but no recovery file: left alone.
    std::filesystem::copy_file(out / "film.001", out / "film.mkv.vol99+01.par2");
    const SplitOutcome again = splitWith(1'000'000, 50'000, 10);
    EXPECT_FALSE(std::filesystem::exists(out / "film.mkv.vol07+01.par2"));
    EXPECT_FALSE(std::filesystem::exists(out / "film.mkv.vol03+04.par2"));
    EXPECT_TRUE(std::filesystem::exists(out / "film.mkv.vol99+01.par2"));
    std::filesystem::remove(out / "film.mkv.vol99+01.par2");
    EXPECT_EQ(runPar2(out, "verify", "film.mkv.par2"), 0);
    splitWith(1'000'000, 50'000, 0);
    for (const std::string& path : again.recoveryFiles) {
        EXPECT_FALSE(std::filesystem::exists(path)) << path;
    }
}

// Another user's link, pipe or directory under a recovery file's name is refused as under a
// piece's, naming it, before the first piece is written; it stays as it was.
TEST_F(SplitRecoveryTest, ALinkPipeOrFolderUnderARecoveryFileNameIsRefusedBeforeWriting) {
    namespace fs = std::filesystem;
    const std::function<void(const std::string&)> prepares[] = {
        [](const std::string& path) { fs::create_symlink("/dev/null", path); },
        [](const std::string& path) { ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0); },
        [](const std::string& path) { fs::create_directory(path); },
    };
    for (const char* name : {"film.mkv.par2", "film.mkv.vol00+01.par2"}) {
        for (const auto& prepare : prepares) {
            prepare(out / name);
            const auto type = fs::symlink_status(out / name).type();
            try {
                splitWith(2'000'003, 100'000, 10);
                ADD_FAILURE() << name << " was written over";
            } catch (const Error& error) {
                EXPECT_EQ(error.kind(), Error::Kind::Refused);
                EXPECT_EQ(error.path(), out / name) << error.reason();
            }
            EXPECT_FALSE(fs::exists(out / "film.001")) << name;
            EXPECT_EQ(fs::symlink_status(out / name).type(), type) << name;
            fs::remove(out / name);
        }
    }
}

// The recovery files are made from the pieces read back as they are written, in an order
// taken from the source before: a source changed meanwhile still gets files that describe
// and rebuild its pieces as they are.
TEST_F(SplitRecoveryTest, ASourceChangedDuringTheSplitGetsFilesThatRebuildItsPieces) {
    events.onCheck = [&](int check) {
        if (check == 1) {  // the first piece is written; the second's first bytes change
            std::fstream file(in / "film.mkv", std::ios::in | std::ios::out | std::ios::binary);
            file.seekp(100'010);
            file.put(static_cast<char>(~source[100'010]));
        }
    };
    const SplitOutcome outcome = splitWith(1'000'000, 100'000, 20);
    const std::string pieces = joined(outcome.pieces);
    ASSERT_NE(pieces, source);  // the change reached the second piece
    ASSERT_EQ(runPar2(out, "verify", "film.mkv.par2"), 0);
    std::filesystem::remove(out / "film.002");
    ASSERT_EQ(runPar2(out, "repair", "film.mkv.par2"), 0);
    EXPECT_EQ(joined(outcome.pieces), pieces);
}

TEST_F(SplitRecoveryTest, AnEmptySourceIsSplitWithANoticeInsteadOfRecovery) {
    const SplitOutcome outcome = splitWith(0, 100, 10);
    EXPECT_TRUE(outcome.recoveryFiles.empty());
    ASSERT_EQ(events.notices.size(), 1u);
    EXPECT_NE(events.notices[0].find("no recovery files"), std::string::npos);
}

}  // namespace
}  // namespace morsela
