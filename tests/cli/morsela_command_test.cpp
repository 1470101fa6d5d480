#include <gtest/gtest.h>

#include <filesystem>

#include "tests/support/morsela_run.h"
#include "tests/support/temp_dir.h"

namespace morsela {
namespace {

namespace fs = std::filesystem;

using Outcome = test::MorselaRun;

Outcome morsela(const std::vector<std::string>& args) {
    return test::runCommand(args);
}

TEST(MorselaCommand, SplitWritesPiecesAndScriptAndReports) {
    test::TempDir dir;
    test::writeFile(dir / "archive.zip", test::patternBytes(100000));
    const Outcome run = morsela({"split", dir / "archive.zip", "40", (dir / "out"), "-v"});
    EXPECT_EQ(run.status, 1);  // the output directory does not exist: one line, path and reason
    EXPECT_EQ(run.err, "morsela: " + (dir / "out") + ": No such file or directory\n");

    fs::create_directory(dir.path() / "out");
    const Outcome done = morsela({"split", dir / "archive.zip", "40", dir / "out", "-v"});
    EXPECT_EQ(done.status, 0) << done.err;
    EXPECT_EQ(done.out.rfind((dir / "out/archive.001") + "\n", 0), 0u) << done.out;
    EXPECT_NE(done.out.find((dir / "out/archive.003") + "\n"), std::string::npos);
    EXPECT_NE(done.out.find((dir / "out/archive.bat") + "\n"), std::string::npos);
    // One summary line last, the seconds with their unit.
    const std::string summary = "morsela: " + (dir / "archive.zip") + ": 3 pieces of 40 KiB in ";
    const std::size_t at = done.out.find(summary);
    ASSERT_NE(at, std::string::npos) << done.out;
    EXPECT_TRUE(done.out.ends_with(" s; rejoin with " + (dir / "out/archive.bat") + "\n"))
        << done.out;
    EXPECT_EQ(done.out.find('\n', at), done.out.size() - 1);
    EXPECT_EQ(test::readFile(dir / "out/archive.bat"),
              "copy /b archive.001+archive.002+archive.003 archive.zip\r\n");
}

TEST(MorselaCommand, JoinRebuildsTheSourceAndRefusesToReplaceIt) {
    test::TempDir dir;
    test::writeFile(dir / "data.bin", test::patternBytes(70000));
    ASSERT_EQ(morsela({"split", dir / "data.bin", "16", dir.path().string()}).status, 0);
    fs::rename(dir / "data.bin", dir / "original.bin");

    const Outcome joined = morsela({"join", dir / "data.bat"});
    EXPECT_EQ(joined.status, 0) << joined.err;
    EXPECT_EQ(test::readFile(dir / "data.bin"), test::readFile(dir / "original.bin"));

    const Outcome again = morsela({"join", dir / "data.bat"});
    EXPECT_EQ(again.status, 1);
    EXPECT_NE(again.err.find("--force"), std::string::npos);
    EXPECT_EQ(morsela({"join", "--force", dir / "data.bat"}).status, 0);
}

TEST(MorselaCommand, AnotherFilesSplitInTheWayIsReplacedOnlyWithForceAndTheRefusalSaysSo) {
    test::TempDir dir;
    test::writeFile(dir / "holiday.mkv", test::patternBytes(3000));
    test::writeFile(dir / "holiday.mp4", test::patternBytes(2500));
    fs::create_directory(dir / "stick");
    ASSERT_EQ(morsela({"split", "-q", dir / "holiday.mkv", "1K", dir / "stick"}).status, 0);

    const Outcome refused = morsela({"split", dir / "holiday.mp4", "1K", dir / "stick"});
    EXPECT_EQ(refused.status, 1);
    EXPECT_EQ(refused.err, "morsela: " + (dir / "stick/holiday.bat") +
                               ": rebuilds holiday.mkv; split holiday.mp4 elsewhere, or remove "
                               "the earlier pieces; --force replaces them\n");
    EXPECT_EQ(morsela({"split", "-q", "-f", dir / "holiday.mp4", "1K", dir / "stick"}).status, 0);
    EXPECT_EQ(test::readFile(dir / "stick/holiday.bat").find("holiday.mkv"), std::string::npos);
}

TEST(MorselaCommand, UsageErrorsExitWithTwoAndHelpWithZero) {
    EXPECT_EQ(morsela({}).status, 2);
    EXPECT_EQ(morsela({"split", "only-source"}).status, 2);
    EXPECT_EQ(morsela({"cut", "a", "b"}).status, 2);
    EXPECT_EQ(morsela({"join"}).status, 2);
    const Outcome help = morsela({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("split"), std::string::npos);
    const Outcome version = morsela({"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_NE(version.out.find("morsela "), std::string::npos);
}

TEST(MorselaCommand, ASizeBelowOneByteIsAUsageError) {
    test::TempDir dir;
    test::writeFile(dir / "archive.zip", "x");
    const Outcome run = morsela({"split", dir / "archive.zip", "0", dir.path().string()});
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.err, "morsela: '0' gives pieces of less than one byte; give a larger size\n");
    EXPECT_EQ(test::namesIn(dir.path()), std::vector<std::string>{"archive.zip"});
}

TEST(MorselaCommand, QuietRunsPrintNothingAndJoinAndVerifySumUpInOneLine) {
    test::TempDir dir;
    test::writeFile(dir / "data.bin", test::patternBytes(5000));
    const Outcome quiet = morsela({"split", "--checksum", dir / "data.bin", "1K", dir / "", "-q"});
    EXPECT_EQ(quiet.status, 0) << quiet.err;
    EXPECT_EQ(quiet.out + quiet.err, "");
    fs::rename(dir / "data.bin", dir / "original.bin");
    const Outcome joined = morsela({"join", dir / "data.bat"});
    EXPECT_EQ(joined.status, 0) << joined.err;
    EXPECT_EQ(joined.out.rfind("morsela: joining 5 pieces into " + (dir / "data.bin") +
                                   "\nmorsela: " + (dir / "data.bin") + ": joined 5 pieces in ",
                               0),
              0u)
        << joined.out;
    EXPECT_TRUE(joined.out.ends_with(" s; all 5 pieces matched their checksums\n")) << joined.out;
    const Outcome verified = morsela({"verify", dir / "data.bat"});
    EXPECT_EQ(verified.out, "morsela: " + (dir / "data.bat") + ": every piece is whole\n");

    // A checksum file of the whole file alone, as sha256sum writes it, vouches for no piece.
    const std::string sums = test::readFile(dir / "data.bin.sha256");
    test::writeFile(dir / "data.bin.sha256", sums.substr(sums.rfind('\n', sums.size() - 2) + 1));
    const Outcome wholeOnly = morsela({"join", "-f", dir / "data.bat"});
    EXPECT_EQ(wholeOnly.status, 0) << wholeOnly.err;
    EXPECT_TRUE(wholeOnly.out.ends_with(" s; the joined file matched its checksum\n"))
        << wholeOnly.out;
}

TEST(MorselaCommand, PiecesOfAnEarlierSplitAreRemovedAndSaidSo) {
    test::TempDir dir;
    test::writeFile(dir / "data.bin", test::patternBytes(5000));
    ASSERT_EQ(morsela({"split", dir / "data.bin", "1", dir / ""}).status, 0);
    test::writeFile(dir / "data.bin", test::patternBytes(2000));
    const Outcome again = morsela({"split", dir / "data.bin", "1", dir / ""});
    EXPECT_EQ(again.status, 0) << again.err;
    EXPECT_NE(again.err.find("morsela: " + dir.dirText() +
                             ": 3 pieces of the earlier split beyond this one's were removed\n"),
              std::string::npos)
        << again.err;
    EXPECT_FALSE(fs::exists(dir / "data.003"));
}

}  // namespace
}  // namespace morsela
