// Splits among other splits and the user's own files: a split never destroys another split
// unasked, never leaves a mix of two splits or a piece that looks whole but is not, never
// replaces a checksum file that is not one of its own, and refuses before its first change.

#include <gtest/gtest.h>

#include <unistd.h>
#include <filesystem>

#include "engine/piece_names.h"
#include "engine/split.h"
#include "tests/support/recording_observer.h"
#include "tests/support/temp_dir.h"

namespace morsela {
namespace {

namespace fs = std::filesystem;
using Kind = Error::Kind;
using Names = std::vector<std::string>;

// An observer that answers whether to replace another file's split as told, as a front end
// answers about the plan.
class Asking : public test::RecordingObserver {
  public:
    SplitOutcome split(SplitRequest request) {
        request.stop = stopToken();
        PlannedSplit plan = planSplit(request);
        for (const OtherSplit& other : plan.otherSplits()) {
            asked.push_back(other.target);
            if (replace) {
                plan.allowReplacingOtherSplits();
            }
        }
        return carryOut(plan, *this);
    }
    bool replace = false;
    std::vector<std::string> asked;
};

class SplitSafety : public ::testing::Test {
  protected:
    std::string source(const std::string& name, std::int64_t length, unsigned seed = 1) {
        test::writeFile(in / name, test::patternBytes(length, seed));
        return in / name;
    }
    test::Attempt<SplitOutcome> cut(const std::string& path, std::int64_t pieceSize,
                                    bool checksum = false) {
        return test::attempt([&] {
            return events.split({path, out.dirText(), pieceSize, 0, checksum, false});
        });
    }

    test::TempDir in;
    test::TempDir out;
    Asking events;
};

TEST_F(SplitSafety, ASplitOfAnotherFileWithTheSameNamesIsReplacedOnlyWhenAgreed) {
    ASSERT_TRUE(cut(source("holiday.mkv", 9000), 3000, true).outcome);
    const Names before = test::namesIn(out.path());
    const auto refused = cut(source("holiday.mp4", 5000), 3000);
    EXPECT_EQ(refused.kind(), Kind::Refused);
    EXPECT_EQ(refused.text(), out / "holiday.bat" +
                                  ": rebuilds holiday.mkv; split holiday.mp4 elsewhere, or "
                                  "remove the earlier pieces");
    EXPECT_EQ(events.asked, Names{"holiday.mkv"});
    EXPECT_EQ(test::namesIn(out.path()), before);  // nothing changed

    events.replace = true;
    ASSERT_TRUE(cut(in / "holiday.mp4", 3000).outcome);
    // The other split is gone whole: its third piece and its checksum file with it.
    EXPECT_EQ(test::namesIn(out.path()), (Names{"holiday.001", "holiday.002", "holiday.bat"}));
    EXPECT_EQ(test::readFile(out / "holiday.bat"),
              "copy /b holiday.001+holiday.002 holiday.mp4\r\n");
}

TEST_F(SplitSafety, ReSplittingTheSameFileReplacesItsPiecesWithoutAsking) {
    ASSERT_TRUE(cut(source("same.zip", 9000), 3000).outcome);
    ASSERT_TRUE(cut(source("same.zip", 4000, 2), 3000).outcome);
    EXPECT_TRUE(events.asked.empty());
    EXPECT_EQ(test::namesIn(out.path()), (Names{"same.001", "same.002", "same.bat"}));
}

TEST_F(SplitSafety, AStoppedOrFailedReSplitLeavesNoMixOfTwoSplits) {
    ASSERT_TRUE(cut(source("s.bin", 31 * 1024), 1024).outcome);
    events = {};
    events.stopAfterChecks = 7;  // while writing the seventh piece
    EXPECT_EQ(cut(source("s.bin", 31 * 1024, 3), 1024).kind(), Kind::Stopped);
    // Six new pieces, whole; the earlier split's others went with its script.
    EXPECT_EQ(test::namesIn(out.path()),
              (Names{"s.001", "s.002", "s.003", "s.004", "s.005", "s.006"}));
    EXPECT_EQ(test::readFile(out / "s.006"),
              test::patternBytes(31 * 1024, 3).substr(5 * 1024, 1024));

    // A failure: the source is cut short once the first piece is written.
    fs::remove_all(out.path());
    fs::create_directory(out.path());
    events = {};
    events.onCheck = [&](int check) {
        if (check == 1) {
            ASSERT_EQ(::truncate((in / "s.bin").c_str(), 2500), 0);
        }
    };
    const auto failed = cut(source("s.bin", 5 * 1024, 4), 2048);
    EXPECT_EQ(failed.kind(), Kind::Refused);
    EXPECT_EQ(test::namesIn(out.path()), (Names{"s.001"}));  // no half piece under a name
    ASSERT_FALSE(events.notices.empty());
    EXPECT_NE(events.notices.back().find("s.001 is left whole, and no rejoin script"),
              std::string::npos)
        << events.notices.back();
}

TEST_F(SplitSafety, ARefusalChangesNothing) {
    ASSERT_TRUE(cut(source("d.iso", 4000), 1024).outcome);
    const Names before = test::namesIn(out.path());
    fs::create_directory(out.path() / "d.iso.sha256");  // in the way of the checksum file
    const auto refused = cut(in / "d.iso", 1024, true);
    EXPECT_EQ(refused.kind(), Kind::Refused);
    fs::remove(out.path() / "d.iso.sha256");
    EXPECT_EQ(test::namesIn(out.path()), before);  // the script and pieces are still there
}

TEST_F(SplitSafety, TheUsersOwnChecksumFileIsNeverReplaced) {
    const std::string path = source("disk.iso", 5000);
    const std::string downloaded = std::string(64, 'c') + "  disk.iso\n";
    test::writeFile(out / "disk.iso.sha256", downloaded);
    const auto refused = cut(path, 1024, true);
    EXPECT_NE(refused.text().find("is no checksum file of a split of disk.iso"), std::string::npos)
        << refused.text();
    EXPECT_EQ(test::namesIn(out.path()), Names{"disk.iso.sha256"});
    // Without --checksum the split goes ahead and keeps it.
    ASSERT_TRUE(cut(path, 1024).outcome);
    EXPECT_EQ(test::readFile(out / "disk.iso.sha256"), downloaded);
}

TEST_F(SplitSafety, NamesWindowsCannotUseAreRefusedSayingToRename) {
    for (const char* name : {"con.zip", "NUL.tar", "aux.iso", "Com1.bin", "lpt9.dat", "prn.txt",
                             "COM\xc2\xb9.zip", "trail.zip.", "blank.zip "}) {
        const auto run = cut(source(name, 100), 10);
        EXPECT_EQ(run.kind(), Kind::Refused) << name;
        EXPECT_NE(run.text().find("rename the file"), std::string::npos) << run.text();
    }
    EXPECT_TRUE(fs::is_empty(out.path()));
    EXPECT_TRUE(cut(source("com10.zip", 100), 10).outcome);
    EXPECT_TRUE(cut(source("console.zip", 100), 10).outcome);
}

// Windows drops the blanks before the dot when it matches a device name, so the script of
// `con .txt` would copy to the console.
TEST_F(SplitSafety, DeviceNamesWithBlanksBeforeTheDotAreRefused) {
    for (const char* name : {"con .txt", "NUL .log", "lpt1 .dat", "aux   .tar.gz", "prn .x.y"}) {
        const auto run = cut(source(name, 100), 10);
        EXPECT_EQ(run.kind(), Kind::Refused) << name;
        EXPECT_NE(run.text().find("for a device"), std::string::npos) << run.text();
    }
    EXPECT_TRUE(fs::is_empty(out.path()));
    EXPECT_TRUE(cut(source("con x.txt", 100), 10).outcome);
}

TEST_F(SplitSafety, ScriptsEndInDotBatAndPiecesKeepTheirNames) {
    ASSERT_TRUE(cut(source("report.docx", 3000), 1024).outcome);
    EXPECT_EQ(test::namesIn(out.path()),
              (Names{"report.d001", "report.d002", "report.d003", "report.docx.bat"}));
    EXPECT_EQ(test::readFile(out / "report.docx.bat"),
              "copy /b report.d001+report.d002+report.d003 report.docx\r\n");
    // A script an earlier version left under the old name is found and replaced.
    test::writeFile(out / "photo.jbat", "copy /b photo.j001+photo.j002 photo.jpeg\r\n");
    test::writeFile(out / "photo.j002", "old");
    ASSERT_TRUE(cut(source("photo.jpeg", 500), 1024).outcome);
    EXPECT_FALSE(fs::exists(out / "photo.jbat"));
    EXPECT_FALSE(fs::exists(out / "photo.j002"));
    EXPECT_TRUE(fs::exists(out / "photo.jpeg.bat"));
}

}  // namespace
}  // namespace morsela
