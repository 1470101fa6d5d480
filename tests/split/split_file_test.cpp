#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>
#include <algorithm>
#include <filesystem>

#include "split/split_error.h"
#include "split/split_file.h"
#include "tests/support/recording_surface.h"
#include "tests/support/temp_dir.h"

namespace morsela {
namespace {

namespace fs = std::filesystem;

class SplitFileTest : public ::testing::Test {
  protected:
    SplitResult split(const std::string& path, const std::string& size) {
        state.outputDir = out.dirText();
        return SplitFile(state, path, size, pic1);
    }

    std::string source(const std::string& name, std::int64_t length) {
        const std::string path = in / name;
        test::writeFile(path, test::patternBytes(length));
        return path;
    }

    std::vector<std::string> outputNames() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(out.path())) {
            names.push_back(entry.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        return names;
    }

    test::TempDir in;
    test::TempDir out;
    SplitState state;
    test::RecordingSurface pic1;
};

using Names = std::vector<std::string>;

TEST_F(SplitFileTest, PiecesAreExactSlicesAndOnlyTheLastIsShort) {
    const std::string path = source("archive.zip", 100000);
    ASSERT_EQ(split(path, "40"), SplitResult::Done);

    EXPECT_EQ(outputNames(), (Names{"archive.001", "archive.002", "archive.003", "archive.bat"}));
    const std::string bytes = test::readFile(path);
    EXPECT_EQ(test::readFile(out / "archive.001"), bytes.substr(0, 40960));
    EXPECT_EQ(test::readFile(out / "archive.002"), bytes.substr(40960, 40960));
    EXPECT_EQ(test::readFile(out / "archive.003"), bytes.substr(81920));
    EXPECT_EQ(test::readFile(out / "archive.bat"),
              "copy /b archive.001+archive.002+archive.003 archive.zip\r\n");
    EXPECT_EQ(state.pieceCount, 3);
    EXPECT_EQ(state.sourceName, "archive.zip");
    EXPECT_EQ(state.scriptName, "archive.bat");
}

TEST_F(SplitFileTest, AnExactMultipleGivesNoEmptyExtraPiece) {
    ASSERT_EQ(split(source("archive.zip", 81920), "40"), SplitResult::Done);
    EXPECT_EQ(outputNames(), (Names{"archive.001", "archive.002", "archive.bat"}));
    EXPECT_EQ(fs::file_size(out / "archive.002"), 40960u);
}

TEST_F(SplitFileTest, PiecesLargerThanABlockAreCopiedWhole) {
    const std::string path = source("big.bin", 3 * 1048576 + 5);
    ASSERT_EQ(split(path, "2048"), SplitResult::Done);
    const std::string bytes = test::readFile(path);
    EXPECT_EQ(test::readFile(out / "big.001"), bytes.substr(0, 2 * 1048576));
    EXPECT_EQ(test::readFile(out / "big.002"), bytes.substr(2 * 1048576));
}

TEST_F(SplitFileTest, AnEmptySourceGivesOneEmptyPiece) {
    ASSERT_EQ(split(source("empty.dat", 0), "40"), SplitResult::Done);
    EXPECT_EQ(outputNames(), (Names{"empty.001", "empty.bat"}));
    EXPECT_EQ(fs::file_size(out / "empty.001"), 0u);
    EXPECT_EQ(test::readFile(out / "empty.bat"), "copy /b empty.001 empty.dat\r\n");
    EXPECT_EQ(pic1.barEnds, (std::vector<double>{100}));
}

TEST_F(SplitFileTest, OnlyTheFileNameOfThePathNamesThePieces) {
    fs::create_directories(in.path() / "a" / "b");
    ASSERT_EQ(split(source("a/b/name.zip", 10), "1"), SplitResult::Done);
    EXPECT_EQ(outputNames(), (Names{"name.001", "name.bat"}));

    // A backslash is an ordinary character of a name here, but the command interpreter would
    // take it for a directory: such a name is refused, saying what to rename.
    ASSERT_EQ(split(source("c:\\x\\y.zip", 10), "1"), SplitResult::Failed);
    EXPECT_NE(pic1.messages.back().prompt.find("rename the file"), std::string::npos);
    EXPECT_EQ(outputNames(), (Names{"name.001", "name.bat"}));
}

TEST_F(SplitFileTest, ShortAndOddNamesFollowTheNamingRules) {
    ASSERT_EQ(split(source("abc", 3000), "1"), SplitResult::Done);
    EXPECT_EQ(outputNames(), (Names{"001", "002", "003", "bat"}));
    EXPECT_EQ(test::readFile(out / "bat"), "copy /b 001+002+003 abc\r\n");

    ASSERT_EQ(split(source("my notes.txt", 10), "1"), SplitResult::Done);
    EXPECT_EQ(test::readFile(out / "my notes.bat"),
              "copy /b \"my notes.001\" \"my notes.txt\"\r\n");
}

TEST_F(SplitFileTest, TheSourceIsNeitherChangedNorTouched) {
    const std::string path = source("keep.bin", 50000);
    ::chmod(path.c_str(), 0444);
    struct stat before {};
    ::stat(path.c_str(), &before);
    ASSERT_EQ(split(path, "8"), SplitResult::Done);
    struct stat after {};
    ::stat(path.c_str(), &after);
    EXPECT_EQ(test::readFile(path), test::patternBytes(50000));
    EXPECT_EQ(after.st_mode, before.st_mode);
    EXPECT_EQ(after.st_mtim.tv_nsec, before.st_mtim.tv_nsec);
    EXPECT_EQ(after.st_atim.tv_sec, before.st_atim.tv_sec);
    EXPECT_EQ(after.st_atim.tv_nsec, before.st_atim.tv_nsec);
}

TEST_F(SplitFileTest, AnExistingPieceIsReplacedWhole) {
    test::writeFile(out / "archive.001", std::string(200000, 'x'));
    test::writeFile(out / "archive.bat", std::string(500, 'y'));
    const std::string path = source("archive.zip", 50000);
    ASSERT_EQ(split(path, "40"), SplitResult::Done);
    EXPECT_EQ(test::readFile(out / "archive.001"), test::readFile(path).substr(0, 40960));
    EXPECT_EQ(test::readFile(out / "archive.bat"),
              "copy /b archive.001+archive.002 archive.zip\r\n");
}

TEST_F(SplitFileTest, ASecondSplitIntoTheSameDirectorySucceeds) {
    const std::string path = source("twice.zip", 5000);
    ASSERT_EQ(split(path, "1"), SplitResult::Done);
    ASSERT_EQ(split(path, "2"), SplitResult::Done);
    EXPECT_EQ(test::readFile(out / "twice.bat"),
              "copy /b twice.001+twice.002+twice.003 twice.zip\r\n");
    EXPECT_EQ(fs::file_size(out / "twice.001"), 2048u);
}

TEST_F(SplitFileTest, TheReportFollowsTheSplit) {
    ASSERT_EQ(split(source("archive.zip", 1000), "40"), SplitResult::Done);
    EXPECT_EQ(pic1.clears, 2);  // once when the bar starts, once for the report
    ASSERT_EQ(pic1.lines.size(), 2u);
    EXPECT_EQ(pic1.lines[0], "Time it took to split");
    ASSERT_EQ(pic1.messages.size(), 1u);
    EXPECT_EQ(pic1.messages[0].prompt, "Files Split");
    EXPECT_EQ(pic1.written, (Names{out / "archive.001", out / "archive.bat"}));
}

TEST_F(SplitFileTest, AMissingSourceIsReportedAndNothingIsCreated) {
    const std::string path = in / "nothere.zip";
    EXPECT_EQ(split(path, "40"), SplitResult::Failed);
    EXPECT_EQ(pic1.errorHeadline(), kFileNotFound);
    EXPECT_NE(pic1.messages.at(0).prompt.find(path + ": No such file or directory"),
              std::string::npos);
    EXPECT_EQ(pic1.messages.at(0).title, "Error");
    EXPECT_FALSE(fs::exists(path));
    EXPECT_TRUE(outputNames().empty());
}

TEST_F(SplitFileTest, SizesBelowOneByteOrTooLargeAreRefusedBeforeAnythingIsOpened) {
    const std::string path = source("archive.zip", 1000);
    for (const char* size : {"", "0", "-1", "abc", "0.0004", "1e16"}) {
        pic1 = {};
        EXPECT_EQ(split(path, size), SplitResult::Failed) << size;
        EXPECT_EQ(pic1.errorHeadline(), kSomeError) << size;
    }
    EXPECT_EQ(split(in / "missing.zip", "0"), SplitResult::Failed);
    EXPECT_FALSE(fs::exists(in / "missing.zip"));
    EXPECT_TRUE(outputNames().empty());
}

TEST_F(SplitFileTest, SourcesThatAreNoRegularFileOrHaveUnusableNamesAreRefused) {
    fs::create_directory(in.path() / "folder.dir");
    ::mkfifo((in / "pipe.fifo").c_str(), 0600);
    for (const std::string& path :
         {in / "folder.dir", in / "pipe.fifo", std::string("/dev/null"), source("ab", 10),
          source("a\"b\".zip", 10), source("tab\t.zip", 10)}) {
        pic1 = {};
        EXPECT_EQ(split(path, "1"), SplitResult::Failed) << path;
        EXPECT_EQ(pic1.errorHeadline(), kSomeError) << path;
    }
    EXPECT_TRUE(outputNames().empty());
}

TEST_F(SplitFileTest, AStopRequestEndsTheSplitAfterTheBlockWithoutAScript) {
    pic1.stopAfterChecks = 2;
    EXPECT_EQ(split(source("archive.zip", 100000), "40"), SplitResult::Stopped);
    // The piece being written when the stop came is removed: it would look whole.
    EXPECT_EQ(outputNames(), (Names{"archive.001"}));
    EXPECT_TRUE(pic1.messages.empty());
    ASSERT_EQ(pic1.notices.size(), 1u);
    EXPECT_NE(pic1.notices[0].find("1 whole piece is left"), std::string::npos) << pic1.notices[0];
}

TEST_F(SplitFileTest, FilesBeyondTwoGibibytesSplitAtSixtyFourBitPositions) {
    // A sparse source: its pieces keep the holes, so this costs almost no disk.
    const std::string path = in / "huge.img";
    const std::int64_t length = 3LL * 1024 * 1024 * 1024 + 7;
    test::writeFile(path, "head");
    ASSERT_EQ(::truncate(path.c_str(), length), 0);
    ASSERT_EQ(split(path, "1048576"), SplitResult::Done);
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
