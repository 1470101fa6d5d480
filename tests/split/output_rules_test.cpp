// What a split writes when it meets real names and the leftovers of earlier splits: names
// cut by characters, targets the script would overwrite, stale scripts and pieces, sources
// cut short under the split, and output paths near the system's limit.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <climits>
#include <filesystem>

#include "split/piece_names.h"
#include "split/split_file.h"
#include "tests/support/recording_surface.h"
#include "tests/support/temp_dir.h"

namespace morsela {
namespace {

namespace fs = std::filesystem;

class OutputRules : public ::testing::Test {
  protected:
    SplitResult split(const std::string& name, std::int64_t length, const std::string& size) {
        test::writeFile(in / name, test::patternBytes(length));
        return splitPath(in / name, size);
    }
    SplitResult splitPath(const std::string& path, const std::string& size) {
        pic1 = {};
        state.outputDir = out.dirText();
        return SplitFile(state, path, size, pic1);
    }
    std::string shown() const { return pic1.messages.empty() ? "" : pic1.messages[0].prompt; }

    test::TempDir in;
    test::TempDir out;
    SplitState state;
    test::RecordingSurface pic1;
};

TEST_F(OutputRules, NamesAreCutByCharactersNotBytes) {
    EXPECT_EQ(pieceName("na\xC3\xAFve", "001"), "na001");
    EXPECT_EQ(pieceName("caf\xC3\xA9", "001"), "c001");
    EXPECT_EQ(scriptName("\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E.txt"),
              "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E.bat");
    EXPECT_EQ(pieceName("ab\xFF\xFE", "001"), "a001");  // bytes that are no UTF-8 count singly
    EXPECT_EQ(keptLength("\xE6\x97\xA5"), std::string::npos);

    ASSERT_EQ(split("na\xC3\xAFve", 3000, "1"), SplitResult::Done) << shown();
    EXPECT_TRUE(fs::exists(out / "na003"));
    EXPECT_EQ(test::readFile(out / "nabat"),
              "@chcp 65001>nul\r\ncopy /b na001+na002+na003 na\xC3\xAFve\r\n");
    EXPECT_EQ(split("\xE6\x97\xA5", 10, "1"), SplitResult::Failed);  // one character
    EXPECT_NE(shown().find("three characters"), std::string::npos);
}

TEST_F(OutputRules, ATargetNamedLikeItsScriptOrOneOfItsPiecesIsRefused) {
    for (const char* name : {"setup.bat", "INSTALL.BAT", "Run.Bat", "part.002"}) {
        EXPECT_EQ(split(name, 3000, "1"), SplitResult::Failed) << name;
        EXPECT_NE(shown().find("rename the file first"), std::string::npos) << shown();
    }
    EXPECT_TRUE(fs::is_empty(out.path()));
    // Piece 5 of a split into three pieces is never written: nothing to refuse.
    EXPECT_EQ(split("part.005", 3000, "1"), SplitResult::Done) << shown();
}

TEST_F(OutputRules, ARerunThatFailsLeavesNoScriptOfTheEarlierSplit) {
    ASSERT_EQ(split("x.bin", 3000, "1"), SplitResult::Done);
    ASSERT_TRUE(fs::exists(out / "x.bat"));
    test::writeFile(in / "x.bin", test::patternBytes(3000, 9));  // the file changed
    pic1 = {};
    pic1.stopAfterChecks = 2;
    state.outputDir = out.dirText();
    EXPECT_EQ(SplitFile(state, in / "x.bin", "1", pic1), SplitResult::Stopped);
    EXPECT_FALSE(fs::exists(out / "x.bat"));  // it would join old and new bytes
}

TEST_F(OutputRules, PiecesLeftFromAnEarlierSplitAreReported) {
    ASSERT_EQ(split("x.bin", 5000, "1"), SplitResult::Done);
    EXPECT_TRUE(pic1.notices.empty());
    ASSERT_EQ(split("x.bin", 3000, "1"), SplitResult::Done);
    ASSERT_EQ(pic1.notices.size(), 1u);
    EXPECT_NE(pic1.notices[0].find("2 pieces x.004 to x.005 of an earlier split"),
              std::string::npos)
        << pic1.notices[0];
    EXPECT_EQ(test::readFile(out / "x.bat"), "copy /b x.001+x.002+x.003 x.bin\r\n");
}

TEST_F(OutputRules, ASourceCutShortIsAFailureNeverPiecesOfZeros) {
    // Cut before the first block is read.
    class CutAtStart : public test::RecordingSurface {
      public:
        std::string path;
        void cls() override {
            RecordingSurface::cls();
            if (clears == 1) {
                EXPECT_EQ(::truncate(path.c_str(), 0), 0);
            }
        }
    } cutAtStart;
    test::writeFile(in / "cut.bin", test::patternBytes(3000));
    cutAtStart.path = in / "cut.bin";
    state.outputDir = out.dirText();
    EXPECT_EQ(SplitFile(state, in / "cut.bin", "1", cutAtStart), SplitResult::Failed);
    EXPECT_NE(cutAtStart.messages.at(0).prompt.find("became shorter"), std::string::npos);
    EXPECT_FALSE(fs::exists(out / "cut.bat"));

    // A sparse source cut inside its hole: the hole is no licence to pad.
    const std::string sparse = in / "sparse.img";
    {
        const int fd = ::open(sparse.c_str(), O_WRONLY | O_CREAT, 0644);
        ASSERT_EQ(::ftruncate(fd, 5 * 1048576), 0);
        ::close(fd);
    }
    pic1 = {};
    pic1.onCheck = [&](int check) {
        if (check == 1) {
            ASSERT_EQ(::truncate(sparse.c_str(), 1048576 + 512 * 1024), 0);
        }
    };
    EXPECT_EQ(SplitFile(state, sparse, "1024", pic1), SplitResult::Failed);
    EXPECT_NE(shown().find("became shorter"), std::string::npos) << shown();
    EXPECT_FALSE(fs::exists(out / "sparse.bat"));
}

TEST_F(OutputRules, AnOutputPathNearTheLimitStillTakesTheThousandthPiece) {
    // Directories nested until "x.001" still fits PATH_MAX but "x.1000" would not.
    std::string path = out.path().string();
    const std::string part(200, 'd');
    while (path.size() + 1 + part.size() + 8 < PATH_MAX) {
        ASSERT_EQ(::mkdir((path + "/" + part).c_str(), 0755), 0) << path.size();
        path += "/" + part;
    }
    const std::string last(PATH_MAX - 1 - path.size() - 2 - 5, 'e');  // "/" last "/" x.001
    ASSERT_EQ(::mkdir((path + "/" + last).c_str(), 0755), 0);
    path += "/" + last + "/";
    ASSERT_EQ(path.size() + 5, static_cast<std::size_t>(PATH_MAX) - 1);
    test::writeFile(in / "x.bin", test::patternBytes(1000));
    state.outputDir = path;
    EXPECT_EQ(SplitFile(state, in / "x.bin", "0.0009765625", pic1), SplitResult::Done) << shown();
    EXPECT_EQ(state.pieceCount, 1000);
}

}  // namespace
}  // namespace morsela
