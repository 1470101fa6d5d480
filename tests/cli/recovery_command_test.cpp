// Recovery files from the command line: split --recovery writes them, verify says what they
// can rebuild, join rebuilds and says which.

#include <gtest/gtest.h>

#include <algorithm>

#include <filesystem>

#include "tests/support/morsela_run.h"
#include "tests/support/read_only_folder.h"
#include "tests/support/temp_dir.h"

namespace morsela {
namespace {

namespace fs = std::filesystem;

using test::runCommand;

TEST(RecoveryCommand, VerifyNamesTheLostPieceAndJoinRebuildsIt) {
    test::TempDir dir;
    const std::string source = test::patternBytes(400'000, 6);
    test::writeFile(dir / "film.mkv", source);
    const auto split = runCommand(
        {"split", "--recovery", "10", "-v", dir / "film.mkv", "40K", dir.path().string()});
    ASSERT_EQ(split.status, 0) << split.err;
    EXPECT_NE(split.out.find("film.mkv.vol00+01.par2"), std::string::npos) << split.out;
    const std::size_t files = static_cast<std::size_t>(std::count_if(
        fs::directory_iterator(dir.path()), fs::directory_iterator(),
        [](const fs::directory_entry& e) { return e.path().extension() == ".par2"; }));
    EXPECT_NE(
        split.out.find("10 pieces of 40 KiB and " + std::to_string(files) + " recovery files"),
        std::string::npos)
        << split.out;
    fs::remove(dir / "film.007");
    const auto verified = runCommand({"verify", dir / "film.bat"});
    EXPECT_EQ(verified.status, 1);
    EXPECT_NE(verified.err.find("film.007: is missing; it can be rebuilt from the recovery files"),
              std::string::npos)
        << verified.err;
    const auto joined = runCommand({"join", dir / "film.bat", "-o", dir / "again.mkv"});
    ASSERT_EQ(joined.status, 0) << joined.err;
    EXPECT_NE(joined.err.find("film.007: rebuilt from the recovery files"), std::string::npos)
        << joined.err;
    EXPECT_EQ(test::readFile(dir / "again.mkv"), source);
    EXPECT_EQ(runCommand({"verify", dir / "film.001"}).status, 0);
}

TEST(RecoveryCommand, PiecesOnReadOnlyMediaAreRebuiltForTheJoinAloneAndSaidSo) {
    test::TempDir dir;
    test::ReadOnlyFolder disc(dir.path() / "disc");
    if (!disc.unusable().empty()) {
        GTEST_SKIP() << disc.unusable();
    }
    const std::string source = test::patternBytes(400'000, 8);
    test::writeFile(dir / "film.mkv", source);
    ASSERT_EQ(
        runCommand({"split", "--recovery", "10", dir / "film.mkv", "40K", disc.path().string()})
            .status,
        0);
    fs::remove(disc / "film.007");
    const auto before = test::contentsOf(disc.path());
    ASSERT_TRUE(disc.seal());
    const auto joined = runCommand({"join", disc / "film.bat", "-o", dir / "again.mkv"});
    ASSERT_EQ(joined.status, 0) << joined.err;
    EXPECT_NE(joined.err.find(disc / "film.007" +
                              ": rebuilt from the recovery files for this join; its folder "
                              "cannot be written"),
              std::string::npos)
        << joined.err;
    EXPECT_EQ(test::readFile(dir / "again.mkv"), source);
    EXPECT_EQ(test::contentsOf(disc.path()), before);
}

TEST(RecoveryCommand, APercentageOutsideOneToAHundredIsAUsageError) {
    test::TempDir dir;
    test::writeFile(dir / "film.mkv", "bytes");
    for (const char* percent : {"0", "101", "ten", "-5", "1e1"}) {
        const auto run = runCommand(
            {"split", "--recovery", percent, dir / "film.mkv", "1K", dir.path().string()});
        EXPECT_EQ(run.status, 2) << percent;
        EXPECT_NE(run.err.find("--recovery needs a whole percentage"), std::string::npos)
            << run.err;
    }
    EXPECT_EQ(test::namesIn(dir.path()), std::vector<std::string>{"film.mkv"});
}

// A damaged piece that the recovery files show but cannot rebuild fails the join: its
// wrong bytes are never joined, "not checked", into the file.
TEST(RecoveryCommand, JoinFailsOnADamagedPieceThatIsNotRebuilt) {
    test::TempDir dir;
    const std::string source = test::patternBytes(100 * 1024, 4);
    test::writeFile(dir / "g.bin", source);
    const auto split =
        runCommand({"split", "--recovery", "10", dir / "g.bin", "10K", dir.path().string()});
    ASSERT_EQ(split.status, 0) << split.err;
    for (const char* piece : {"g.003", "g.008"}) {
        std::string bytes = test::readFile(dir / piece);
        bytes[5] ^= 0x40;
        test::writeFile(dir / piece, bytes);
    }
    const auto joined = runCommand({"join", "-o", dir / "o8", dir / "g.bat"});
    EXPECT_EQ(joined.status, 1) << joined.err;
    EXPECT_NE(joined.err.find(dir / "g.003: is damaged, as the recovery files show, and too "
                                    "much is lost to rebuild it from the recovery files: 1 "
                                    "more recovery block would be needed; nothing was joined"),
              std::string::npos)
        << joined.err;
    EXPECT_FALSE(fs::exists(dir / "o8"));
}

// Recovery files that describe only some of the pieces a script names vouch for those alone.
TEST(RecoveryCommand, VerifyDoesNotCallWholeThePiecesTheRecoveryFilesDoNotDescribe) {
    test::TempDir dir;
    test::writeFile(dir / "x.zip", test::patternBytes(1000, 8));
    const auto split =
        runCommand({"split", "--recovery", "100", dir / "x.zip", "1K", dir.path().string()});
    ASSERT_EQ(split.status, 0) << split.err;
    ASSERT_FALSE(fs::exists(dir / "x.002"));
    test::writeFile(dir / "x.002", test::patternBytes(1000, 2));
    test::writeFile(dir / "x.003", test::patternBytes(10, 3));
    test::writeFile(dir / "x.bat", "copy /b x.001+x.002+x.003 x.zip\r\n");
    const auto verified = runCommand({"verify", dir / "x.bat"});
    EXPECT_EQ(verified.status, 1);
    for (const char* piece : {"x.002", "x.003"}) {
        EXPECT_NE(verified.err.find(dir / piece + ": is not described by the recovery files "
                                                  "beside it, so it was not checked"),
                  std::string::npos)
            << verified.err;
    }
    EXPECT_EQ(verified.out.find("every piece is whole"), std::string::npos) << verified.out;
    EXPECT_EQ(verified.err.find("x.001: is not described"), std::string::npos) << verified.err;

    test::writeFile(dir / "x.bat", "copy /b x.001 x.zip\r\n");
    const auto whole = runCommand({"verify", dir / "x.bat"});
    EXPECT_EQ(whole.status, 0) << whole.err;
    EXPECT_NE(whole.out.find("every piece is whole, as the recovery files say"), std::string::npos);
}

}  // namespace
}  // namespace morsela
