// A split again where an earlier split left recovery files: every set that describes the
// earlier pieces goes, whatever it is called, so that par2 and a join never "repair" the new
// pieces into the old ones; what is not the earlier split's is left alone. par2 judges.

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "engine/join/join.h"
#include "engine/split.h"
#include "tests/engine/recovery/par2_judge.h"
#include "tests/support/child_process.h"
#include "tests/support/recording_observer.h"
#include "tests/support/temp_dir.h"

namespace morsela {
namespace {

namespace fs = std::filesystem;
using recovery::runPar2;
using test::TempDir;

class StaleRecoveryTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!recovery::par2Available()) {
            GTEST_SKIP() << "par2 is not installed";
        }
    }

    // Splits `bytes` as `name` into the output folder, replacing what an earlier split left.
    SplitOutcome splitAs(const std::string& name, const std::string& bytes, std::int64_t pieceSize,
                         int percent) {
        test::writeFile(in / name, bytes);
        SplitRequest request{in / name, out.dirText(), pieceSize, 0, false, percent};
        request.replace = true;
        events.notices.clear();
        return split(request, events);
    }

    // par2's own set over the pieces there, as a user makes one.
    void par2Create(const std::string& index, const std::string& files) const {
        ASSERT_EQ(
            std::system(("cd '" + out.path().string() + "' && par2 create -q -q -r20 -s10000 " +
                         index + " " + files + " >/dev/null")
                            .c_str()),
            0);
    }

    std::vector<std::string> recoveryFiles() const {
        std::vector<std::string> names;
        for (const std::string& name : test::namesIn(out.path())) {
            if (name.ends_with(".par2")) {
                names.push_back(name);
            }
        }
        return names;
    }

    // par2 finds every set left beside the pieces whole: none describes pieces gone or changed.
    void expectEverySetVerifies() const {
        for (const std::string& name : recoveryFiles()) {
            if (name.find(".vol") == std::string::npos) {
                EXPECT_EQ(runPar2(out, "verify", name), 0) << name;
            }
        }
    }

    bool toldOfRemovedRecoveryFiles() const {
        for (const std::string& notice : events.notices) {
            if (notice.find("of the earlier split " /* was or were */) != std::string::npos &&
                notice.find("recovery file") != std::string::npos) {
                return true;
            }
        }
        return false;
    }

    std::string joined() {
        join({out / "film.bat", in / "joined", true, true}, events);
        return test::readFile(in / "joined");
    }

    TempDir in;
    TempDir out;
    test::RecordingObserver events;
    const std::string first = test::patternBytes(1'000'000, 21);
};

TEST_F(StaleRecoveryTest, TheSameSourceAtAnotherPieceSizeLeavesNoEarlierVolume) {
    splitAs("film.mkv", first, 50'000, 40);
    const SplitOutcome again = splitAs("film.mkv", first, 70'000, 10);
    std::vector<std::string> written;
    for (const std::string& path : again.recoveryFiles) {
        written.push_back(fs::path(path).filename().string());
    }
    std::sort(written.begin(), written.end());
    EXPECT_EQ(recoveryFiles(), written);
    expectEverySetVerifies();
    splitAs("film.mkv", first, 30'000, 0);
    EXPECT_TRUE(recoveryFiles().empty());
    EXPECT_TRUE(toldOfRemovedRecoveryFiles());
}

// The pieces of a source changed in one place are the earlier pieces but one: a set of
// another name that par2 made over the earlier ones would rebuild that one as it was.
TEST_F(StaleRecoveryTest, ASetOfAnotherNameNoLongerRepairsTheNewPiecesIntoTheOldOnes) {
    splitAs("film.mkv", first, 50'000, 0);
    par2Create("film.par2", "film.0*");
    std::string changed = first;
    changed[990'000] ^= 0x01;
    splitAs("film.mkv", changed, 50'000, 0);
    EXPECT_TRUE(recoveryFiles().empty());
    EXPECT_TRUE(toldOfRemovedRecoveryFiles());
    EXPECT_EQ(joined(), changed);
    EXPECT_FALSE(fs::exists(out / "film.020.1"));
}

TEST_F(StaleRecoveryTest, ASetOfAnotherNameGoesAlsoWhenTheNewSplitWritesItsOwn) {
    splitAs("film.mkv", first, 50'000, 0);
    par2Create("film.par2", "film.0*");
    const SplitOutcome again = splitAs("film.mkv", first, 40'000, 10);
    EXPECT_FALSE(fs::exists(out / "film.par2"));
    expectEverySetVerifies();
    // With one set beside them, a lost piece is rebuilt.
    fs::remove(out / "film.009");
    EXPECT_EQ(joined(), first);
    EXPECT_EQ(again.recoveryFiles.front(), out / "film.mkv.par2");
}

TEST_F(StaleRecoveryTest, TheSetOfAnotherSourceWhosePiecesHadTheseNamesGoes) {
    splitAs("film.avi", test::patternBytes(600'000, 3), 50'000, 30);
    ASSERT_TRUE(fs::exists(out / "film.avi.par2"));
    fs::remove(out / "film.bat");  // its script lost: its pieces' names still tell
    splitAs("film.mkv", first, 60'000, 0);
    EXPECT_TRUE(recoveryFiles().empty()) << recoveryFiles().front();
    EXPECT_TRUE(toldOfRemovedRecoveryFiles());
    EXPECT_EQ(joined(), first);
}

TEST_F(StaleRecoveryTest, WhatIsNotTheEarlierSplitsIsLeftAlone) {
    splitAs("film.mkv", first, 50'000, 20);
    TempDir elsewhere;
    fs::copy_file(out / "film.mkv.par2", elsewhere / "film.mkv.par2");
    fs::create_symlink(elsewhere / "film.mkv.par2", out / "film.link.par2");
    test::writeFile(out / "film.mkv", "the user's own file of this name");
    par2Create("film.own.par2", "film.mkv");
    test::writeFile(out / "film.txt", "notes");
    par2Create("film.mixed.par2", "film.001 film.txt");
    test::writeFile(out / "film.vol99+01.par2", "named like one, but no recovery file");
    std::vector<std::string> kept = {"film.link.par2", "film.mixed.par2", "film.own.par2",
                                     "film.vol99+01.par2"};
    if (test::isRoot()) {
        fs::copy_file(out / "film.mkv.vol00+01.par2", out / "film.others.par2");
        ASSERT_EQ(::chown((out / "film.others.par2").c_str(), 65534, 65534), 0);
        kept.push_back("film.others.par2");
    }
    splitAs("film.mkv", first, 70'000, 0);
    for (const std::string& name : kept) {
        EXPECT_TRUE(fs::exists(fs::symlink_status(out / name))) << name;
    }
    EXPECT_FALSE(fs::exists(out / "film.mkv.par2"));
    EXPECT_TRUE(fs::exists(elsewhere / "film.mkv.par2"));
    EXPECT_EQ(runPar2(out, "verify", "film.own.par2"), 0);
}

}  // namespace
}  // namespace morsela
