// A received recovery set may list, besides the pieces, any file whose name begins as the
// pieces' do: report.pdf beside report.001, or .bashrc beside ..001. Join and verify rebuild,
// create, replace and report only the pieces of the join; such another file is never
// written, and its slices only count as data. par2 makes the sets, as a sender would.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "engine/join/join.h"
#include "engine/join/verify.h"
#include "tests/engine/recovery/par2_judge.h"
#include "tests/support/recording_observer.h"
#include "tests/support/temp_dir.h"

namespace morsela {
namespace {

namespace fs = std::filesystem;
using test::TempDir;

class ReceivedSetNamesTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!recovery::par2Available()) {
            GTEST_SKIP() << "par2 is not installed";
        }
        test::writeFile(dir / piece, pieceBytes);
    }

    // The sender's set over the piece and `other`, made while `other` holds the sender's bytes.
    void sendSetOver(const std::string& other) {
        test::writeFile(dir / other, "MALLORY\n");
        ASSERT_EQ(
            std::system(("cd '" + dir.path().string() + "' && par2 create -q -q -r100 -s40 '" +
                         index + "' '" + piece + "' '" + other + "' >/dev/null")
                            .c_str()),
            0);
    }

    JoinOutcome joinElsewhere() { return join({dir / piece, out.dirText(), false, true}, events); }

    TempDir dir;
    TempDir out;
    std::string piece = "report.001";
    std::string index = "report.par2";
    std::string pieceBytes = test::patternBytes(3000, 7);
    test::RecordingObserver events;
};

TEST_F(ReceivedSetNamesTest, AnotherFileTheSetListsIsNeitherReplacedNorReported) {
    sendSetOver("report.pdf");
    test::writeFile(dir / "report.pdf", "root's report\n");

    joinElsewhere();
    EXPECT_EQ(test::readFile(dir / "report.pdf"), "root's report\n");
    EXPECT_FALSE(fs::exists(dir / "report.pdf.1"));
    EXPECT_EQ(test::readFile(out / "report"), pieceBytes);

    const VerifyOutcome verified = verify(dir / piece, events);
    EXPECT_TRUE(verified.recovery.found);
    EXPECT_TRUE(verified.recovery.damaged.empty());
    EXPECT_EQ(verified.recovery.covered, std::vector<std::string>{dir / piece});
}

TEST_F(ReceivedSetNamesTest, AnotherFileTheSetListsIsNotCreated) {
    sendSetOver("report.pdf");
    fs::remove(dir / "report.pdf");

    joinElsewhere();
    EXPECT_FALSE(fs::exists(dir / "report.pdf"));
    EXPECT_TRUE(verify(dir / piece, events).recovery.missing.empty());
}

TEST_F(ReceivedSetNamesTest, ADamagedPieceIsRebuiltWithoutWritingTheOtherFile) {
    sendSetOver("report.pdf");
    fs::remove(dir / "report.pdf");
    std::string damaged = pieceBytes;
    damaged[1234] ^= 0x5a;
    test::writeFile(dir / piece, damaged);

    joinElsewhere();
    EXPECT_EQ(test::readFile(dir / piece), pieceBytes);
    EXPECT_EQ(test::readFile(out / "report"), pieceBytes);
    EXPECT_FALSE(fs::exists(dir / "report.pdf"));
}

TEST_F(ReceivedSetNamesTest, PiecesNamedDotDotDoNotOpenTheDotFiles) {
    piece = "..001";
    index = "...par2";
    test::writeFile(dir / piece, pieceBytes);
    sendSetOver(".bashrc");
    test::writeFile(dir / ".bashrc", "alias ls='ls -F'\n");

    try {
        joinElsewhere();  // the target of ..001 is ".", which the join may refuse
    } catch (const Error&) {
    }
    EXPECT_EQ(test::readFile(dir / ".bashrc"), "alias ls='ls -F'\n");
    EXPECT_FALSE(fs::exists(dir / ".bashrc.1"));
}

}  // namespace
}  // namespace morsela
