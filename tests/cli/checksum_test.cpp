// Verified pieces: split --checksum writes SOURCE.sha256 that sha256sum -c reads, and join
// and verify check the pieces against it.

#include <gtest/gtest.h>

#include <unistd.h>
#include <cstdlib>
#include <filesystem>

#include "engine/checksum/checksum_file.h"
#include "engine/split.h"
#include "tests/support/morsela_run.h"
#include "tests/support/recording_observer.h"
#include "tests/support/temp_dir.h"

namespace morsela {
namespace {

namespace fs = std::filesystem;

using test::runCommand;

class Checksums : public ::testing::Test {
  protected:
    void SetUp() override {
        fs::create_directory(dir.path() / "out");
        test::writeFile(dir / "report.pdf", test::patternBytes(5 * 1024 + 100, 4));
        ASSERT_EQ(
            runCommand({"split", "--checksum", dir / "report.pdf", "1K", dir / "out", "-q"}).status,
            0);
    }
    void flipAByteOf(const std::string& name) {
        std::string bytes = test::readFile(dir / ("out/" + name));
        bytes[100] ^= 0x01;
        test::writeFile(dir / ("out/" + name), bytes);
    }
    test::TempDir dir;
};

TEST_F(Checksums, Sha256sumChecksThePiecesAndTheRejoinedFile) {
    EXPECT_EQ(checksumLine(std::string(64, 'a'), "report.001"),
              std::string(64, 'a') + "  report.001\n");
    const std::string text = test::readFile(dir / "out/report.pdf.sha256");
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 7);  // six pieces and the source
    fs::rename(dir / "report.pdf", dir / "original.pdf");
    ASSERT_EQ(runCommand({"join", dir / "out/report.bat", "-q"}).status, 0);
    const std::string check =
        "cd '" + (dir / "out") + "' && sha256sum --quiet -c report.pdf.sha256";
    EXPECT_EQ(std::system(check.c_str()), 0);
}

TEST_F(Checksums, ADamagedPieceIsNamedByVerifyAndJoinAndNoTargetIsLeft) {
    fs::remove(dir / "report.pdf");
    ASSERT_EQ(runCommand({"verify", dir / "out/report.bat"}).status, 0);
    flipAByteOf("report.003");
    const auto verify = runCommand({"verify", dir / "out/report.bat"});
    EXPECT_EQ(verify.status, 1);
    EXPECT_EQ(verify.err, "morsela: " + (dir / "out/report.003") +
                              ": checksum does not match; the piece is damaged\n");

    const auto join = runCommand({"join", dir / "out/report.bat"});
    EXPECT_EQ(join.status, 1);
    EXPECT_EQ(join.err, "morsela: " + (dir / "out/report.003") +
                            ": checksum does not match; the piece is damaged\n");
    EXPECT_FALSE(fs::exists(dir / "out/report.pdf"));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path() / "out"), {}), 8);  // no temporary

    // Asked not to, join checks nothing.
    EXPECT_EQ(runCommand({"join", dir / "out/report.bat", "--no-verify", "-q"}).status, 0);
}

TEST_F(Checksums, WithoutAChecksumFileJoinWorksAsBeforeAndSaysNothing) {
    fs::remove(dir / "out/report.pdf.sha256");
    fs::remove(dir / "report.pdf");
    flipAByteOf("report.002");  // nothing can tell
    const auto join = runCommand({"join", dir / "out/report.bat"});
    EXPECT_EQ(join.status, 0);
    EXPECT_EQ(join.err, "");
    EXPECT_EQ(runCommand({"verify", dir / "out/report.bat"}).status, 1);
}

TEST_F(Checksums, AFailedSplitLeavesNoChecksumFileAndARerunNoStaleOne) {
    test::RecordingObserver events;
    events.onCheck = [&](int check) {
        if (check == 2) {
            ASSERT_EQ(::truncate((dir / "report.pdf").c_str(), 1500), 0);
        }
    };
    fs::create_directory(dir.path() / "shrunk");
    const SplitRequest request{dir / "report.pdf", dir.dirText() + "shrunk/", 1024, 0, true};
    EXPECT_TRUE(test::attempt([&] { return split(request, events); }).error);
    EXPECT_FALSE(fs::exists(dir / "shrunk/report.pdf.sha256"));

    // A split without --checksum over the first: the old file no longer describes the
    // pieces. A checksum file of the source alone is the user's, and stays.
    ASSERT_EQ(runCommand({"split", dir / "report.pdf", "1K", dir / "out", "-q"}).status, 0);
    EXPECT_FALSE(fs::exists(dir / "out/report.pdf.sha256"));
    test::writeFile(dir / "out/report.pdf.sha256", std::string(64, '0') + "  report.pdf\n");
    ASSERT_EQ(runCommand({"split", dir / "report.pdf", "1K", dir / "out", "-q"}).status, 0);
    EXPECT_TRUE(fs::exists(dir / "out/report.pdf.sha256"));
}

// A signed checksum file beside the source names the first piece, yet holds lines a split
// never writes: it is the user's, and a split with --checksum leaves it alone.
TEST_F(Checksums, ASignedChecksumFileBesideTheSourceIsNeverReplaced) {
    const std::string signedFile = "-----BEGIN PGP SIGNED MESSAGE-----\nHash: SHA256\n\n" +
                                   std::string(64, '0') + "  report.001\n" +
                                   "-----BEGIN PGP SIGNATURE-----\n";
    test::writeFile(dir / "out/report.pdf.sha256", signedFile);
    const auto again = runCommand({"split", "--checksum", dir / "report.pdf", "1K", dir / "out"});
    EXPECT_EQ(again.status, 1);
    EXPECT_NE(again.err.find("is no checksum file of a split of report.pdf"), std::string::npos)
        << again.err;
    EXPECT_EQ(test::readFile(dir / "out/report.pdf.sha256"), signedFile);
}

}  // namespace
}  // namespace morsela
