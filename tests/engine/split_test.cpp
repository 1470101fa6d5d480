#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>
#include <chrono>
#include <filesystem>

#include "engine/os/fault_hooks.h"
#include "engine/os/file_calls.h"
#include "engine/split.h"
#include "tests/support/recording_observer.h"
#include "tests/support/temp_dir.h"

namespace morsela {
namespace {

namespace fs = std::filesystem;
using Names = std::vector<std::string>;

class SplitTest : public ::testing::Test {
  protected:
    test::Attempt<SplitOutcome> cut(const std::string& path, std::int64_t pieceSize) {
        return test::attempt([&] { return split({path, out.dirText(), pieceSize}, events); });
    }

    std::string source(const std::string& name, std::int64_t length) {
        const std::string path = in / name;
        test::writeFile(path, test::patternBytes(length));
        return path;
    }

    Names outputNames() const { return test::namesIn(out.path()); }

    test::TempDir in;
    test::TempDir out;
    test::RecordingObserver events;
};

TEST_F(SplitTest, PiecesAreExactSlicesAndOnlyTheLastIsShort) {
    const std::string path = source("archive.zip", 100000);
    const auto run = cut(path, 40960);
    ASSERT_TRUE(run.outcome) << run.text();

    EXPECT_EQ(outputNames(), (Names{"archive.001", "archive.002", "archive.003", "archive.bat"}));
    const std::string bytes = test::readFile(path);
    EXPECT_EQ(test::readFile(out / "archive.001"), bytes.substr(0, 40960));
    EXPECT_EQ(test::readFile(out / "archive.002"), bytes.substr(40960, 40960));
    EXPECT_EQ(test::readFile(out / "archive.003"), bytes.substr(81920));
    EXPECT_EQ(test::readFile(out / "archive.bat"),
              "copy /b archive.001+archive.002+archive.003 archive.zip\r\n");
    EXPECT_EQ(run.outcome->pieces, 3);
    EXPECT_EQ(run.outcome->scriptPath, out / "archive.bat");
    EXPECT_EQ(run.outcome->checksumPath, "");
}

TEST_F(SplitTest, AnExactMultipleGivesNoEmptyExtraPiece) {
    ASSERT_TRUE(cut(source("archive.zip", 81920), 40960).outcome);
    EXPECT_EQ(outputNames(), (Names{"archive.001", "archive.002", "archive.bat"}));
    EXPECT_EQ(fs::file_size(out / "archive.002"), 40960u);
}

TEST_F(SplitTest, PiecesLargerThanABlockAreCopiedWhole) {
    const std::string path = source("big.bin", 3 * 1048576 + 5);
    ASSERT_TRUE(cut(path, 2 * 1048576).outcome);
    const std::string bytes = test::readFile(path);
    EXPECT_EQ(test::readFile(out / "big.001"), bytes.substr(0, 2 * 1048576));
    EXPECT_EQ(test::readFile(out / "big.002"), bytes.substr(2 * 1048576));
}

TEST_F(SplitTest, AnEmptySourceGivesOneEmptyPieceAndOneStepOfProgress) {
    ASSERT_TRUE(cut(source("empty.dat", 0), 40960).outcome);
    EXPECT_EQ(outputNames(), (Names{"empty.001", "empty.bat"}));
    EXPECT_EQ(fs::file_size(out / "empty.001"), 0u);
    EXPECT_EQ(test::readFile(out / "empty.bat"), "copy /b empty.001 empty.dat\r\n");
    EXPECT_EQ(events.progress, (std::vector<std::pair<std::int64_t, std::int64_t>>{{0, 0}}));
}

TEST_F(SplitTest, OnlyTheFileNameOfThePathNamesThePieces) {
    fs::create_directories(in.path() / "a" / "b");
    ASSERT_TRUE(cut(source("a/b/name.zip", 10), 1024).outcome);
    EXPECT_EQ(outputNames(), (Names{"name.001", "name.bat"}));

    // A backslash is an ordinary character of a name here, but the command interpreter would
    // take it for a directory: such a name is refused, saying what to rename.
    const auto backslash = cut(source("c:\\x\\y.zip", 10), 1024);
    EXPECT_EQ(backslash.kind(), Error::Kind::Refused);
    EXPECT_NE(backslash.text().find("rename the file"), std::string::npos);
    EXPECT_EQ(outputNames(), (Names{"name.001", "name.bat"}));
}

TEST_F(SplitTest, ShortAndOddNamesFollowTheNamingRules) {
    ASSERT_TRUE(cut(source("abc", 3000), 1024).outcome);
    EXPECT_EQ(outputNames(), (Names{"001", "002", "003", "abc.bat"}));
    EXPECT_EQ(test::readFile(out / "abc.bat"), "copy /b 001+002+003 abc\r\n");

    ASSERT_TRUE(cut(source("my notes.txt", 10), 1024).outcome);
    EXPECT_EQ(test::readFile(out / "my notes.bat"),
              "copy /b \"my notes.001\" \"my notes.txt\"\r\n");
}

TEST_F(SplitTest, TheSourceIsNeitherChangedNorTouched) {
    const std::string path = source("keep.bin", 50000);
    ::chmod(path.c_str(), 0444);
    struct stat before {};
    ::stat(path.c_str(), &before);
    ASSERT_TRUE(cut(path, 8192).outcome);
    struct stat after {};
    ::stat(path.c_str(), &after);
    EXPECT_EQ(test::readFile(path), test::patternBytes(50000));
    EXPECT_EQ(after.st_mode, before.st_mode);
    EXPECT_EQ(after.st_mtim.tv_nsec, before.st_mtim.tv_nsec);
    EXPECT_EQ(after.st_atim.tv_sec, before.st_atim.tv_sec);
    EXPECT_EQ(after.st_atim.tv_nsec, before.st_atim.tv_nsec);
}

TEST_F(SplitTest, AnExistingPieceIsReplacedWhole) {
    test::writeFile(out / "archive.001", std::string(200000, 'x'));
    test::writeFile(out / "archive.bat", "copy /b archive.001 archive.zip\r\n");
    const std::string path = source("archive.zip", 50000);
    ASSERT_TRUE(cut(path, 40960).outcome);
    EXPECT_EQ(test::readFile(out / "archive.001"), test::readFile(path).substr(0, 40960));
    EXPECT_EQ(test::readFile(out / "archive.bat"),
              "copy /b archive.001+archive.002 archive.zip\r\n");
}

TEST_F(SplitTest, ASecondSplitIntoTheSameDirectorySucceeds) {
    const std::string path = source("twice.zip", 5000);
    ASSERT_TRUE(cut(path, 1024).outcome);
    ASSERT_TRUE(cut(path, 2048).outcome);
    EXPECT_EQ(test::readFile(out / "twice.bat"),
              "copy /b twice.001+twice.002+twice.003 twice.zip\r\n");
    EXPECT_EQ(fs::file_size(out / "twice.001"), 2048u);
}

TEST_F(SplitTest, TheObserverHearsThePlanTheBytesAndEveryFile) {
    const std::string path = source("archive.zip", 100000);
    ASSERT_TRUE(cut(path, 40960).outcome);
    ASSERT_EQ(events.splitPlans.size(), 1u);
    EXPECT_EQ(events.splitPlans[0].pieces, 3);
    EXPECT_EQ(events.splitPlans[0].pieceSize, 40960);
    EXPECT_EQ(events.splitPlans[0].sourceLength, 100000);
    ASSERT_FALSE(events.progress.empty());
    EXPECT_EQ(events.progress.back(), (std::pair<std::int64_t, std::int64_t>{100000, 100000}));
    EXPECT_TRUE(std::is_sorted(events.progress.begin(), events.progress.end()));
    EXPECT_EQ(events.written, (Names{out / "archive.001", out / "archive.002", out / "archive.003",
                                     out / "archive.bat"}));
}

TEST_F(SplitTest, PiecesByCountAreEqualAndNeverMoreThanTheBytes) {
    const auto run = test::attempt([&] {
        return split({source("photos.zip", 10), out.dirText(), 0, 4}, events);
    });
    ASSERT_TRUE(run.outcome) << run.text();
    EXPECT_EQ(run.outcome->pieceSize, 3);
    EXPECT_EQ(run.outcome->pieces, 4);
    const auto tooMany = test::attempt([&] {
        return split({source("photos.zip", 10), out.dirText(), 0, 11}, events);
    });
    EXPECT_EQ(tooMany.kind(), Error::Kind::Refused);
}

TEST_F(SplitTest, AMissingSourceIsNotFoundAndNothingIsCreated) {
    const std::string path = in / "nothere.zip";
    const auto run = cut(path, 40960);
    EXPECT_EQ(run.kind(), Error::Kind::NotFound);
    EXPECT_EQ(run.text(), path + ": No such file or directory");
    EXPECT_FALSE(fs::exists(path));
    EXPECT_TRUE(outputNames().empty());
}

TEST_F(SplitTest, SourcesThatAreNoRegularFileOrHaveUnusableNamesAreRefused) {
    fs::create_directory(in.path() / "folder.dir");
    ::mkfifo((in / "pipe.fifo").c_str(), 0600);
    for (const std::string& path :
         {in / "folder.dir", in / "pipe.fifo", std::string("/dev/null"), source("ab", 10),
          source("a\"b\".zip", 10), source("tab\t.zip", 10)}) {
        const auto run = cut(path, 1024);
        EXPECT_TRUE(run.error) << path;
        EXPECT_NE(run.kind(), Error::Kind::NotFound) << path;
        EXPECT_EQ(run.error->path(), path);
    }
    EXPECT_TRUE(outputNames().empty());
}

TEST_F(SplitTest, AStopRequestEndsTheSplitAfterTheBlockWithoutAScript) {
    events.stopAfterChecks = 2;
    const auto run = cut(source("archive.zip", 100000), 40960);
    EXPECT_EQ(run.kind(), Error::Kind::Stopped);
    // The piece being written when the stop came is removed: it would look whole.
    EXPECT_EQ(outputNames(), (Names{"archive.001"}));
    EXPECT_NE(run.text().find("1 whole piece is left"), std::string::npos) << run.text();
}

TEST_F(SplitTest, OnASlowMediumProgressAndStopsComeAtLeastEverySecond) {
    const std::string path = source("slow.bin", 40 * 1048576);
    std::vector<std::chrono::steady_clock::time_point> checks{std::chrono::steady_clock::now()};
    events.onCheck = [&](int) { checks.push_back(std::chrono::steady_clock::now()); };
    sys::simulateSlowMedium(20e6);  // a stick that writes 20 MB a second
    const auto run = cut(path, 64 * 1048576);
    sys::simulateSlowMedium(0);
    ASSERT_TRUE(run.outcome) << run.text();
    ASSERT_GT(checks.size(), 4u);
    for (std::size_t i = 1; i < checks.size(); ++i) {
        EXPECT_LT(std::chrono::duration<double>(checks[i] - checks[i - 1]).count(), 1.0) << i;
    }
}

TEST_F(SplitTest, FilesBeyondTwoGibibytesSplitAtSixtyFourBitPositions) {
    // A sparse source: its pieces keep the holes, so this costs almost no disk.
    const std::string path = in / "huge.img";
    const std::int64_t length = 3LL * 1024 * 1024 * 1024 + 7;
    test::writeFile(path, "head");
    ASSERT_EQ(::truncate(path.c_str(), length), 0);
    ASSERT_TRUE(cut(path, 1073741824).outcome);
    EXPECT_EQ(fs::file_size(out / "huge.001"), 1073741824u);
    EXPECT_EQ(fs::file_size(out / "huge.003"), 1073741824u);
    EXPECT_EQ(fs::file_size(out / "huge.004"), 7u);
    EXPECT_EQ(test::readRange(out / "huge.001", 0, 4), "head");
    EXPECT_EQ(test::readFile(out / "huge.004"), std::string(7, '\0'));
    struct stat status {};
    ::stat((out / "huge.002").c_str(), &status);
    EXPECT_LT(status.st_blocks, 64);  // still a hole
}

}  // namespace
}  // namespace morsela
