// The morsela command as people who know the standard tools use it: sizes with units,
// pieces by count, quiet runs, one-line usage errors in its own words, help and version
// after any command, join to another place, a clean stop on Ctrl-C, SIGTERM and SIGHUP, and
// a standard output whose reader went away.

#include <gtest/gtest.h>

#include <signal.h>
#include <filesystem>
#include <sstream>

#include "tests/support/morsela_process.h"
#include "tests/support/morsela_run.h"
#include "tests/support/temp_dir.h"

namespace morsela {
namespace {

namespace fs = std::filesystem;

using test::runCommand;

TEST(CommandLine, SizesTakeUnitsAndAnythingElseIsAUsageError) {
    test::TempDir dir;
    test::writeFile(dir / "movie.mp4", test::patternBytes(3 * 1048576 + 10));
    fs::create_directory(dir.path() / "out");
    const auto run = runCommand({"split", dir / "movie.mp4", "1M", dir / "out", "-q"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(fs::file_size(dir / "out/movie.001"), 1048576u);
    EXPECT_EQ(fs::file_size(dir / "out/movie.004"), 10u);
    // Lowercase units count in 1024s as the standard split tool's do; kB is 1000 bytes.
    for (const auto& [size, pieceBytes] :
         {std::pair{"1m", 1048576u}, {"2048k", 2097152u}, {"1000kB", 1000000u}}) {
        ASSERT_EQ(runCommand({"split", dir / "movie.mp4", size, dir / "out", "-q"}).status, 0);
        EXPECT_EQ(fs::file_size(dir / "out/movie.001"), pieceBytes) << size;
    }

    for (const char* size : {"10x", "2 MBytes", "M"}) {
        const auto bad = runCommand({"split", dir / "movie.mp4", size, dir / "bad"});
        EXPECT_EQ(bad.status, 2) << size;
        EXPECT_EQ(bad.err.rfind(std::string("morsela: '") + size + "' is not a size", 0), 0u)
            << bad.err;
        EXPECT_NE(bad.err.find("KiB"), std::string::npos);
        EXPECT_FALSE(fs::exists(dir / "bad"));
    }
}

TEST(CommandLine, PiecesByCountAreEqualAndRefusedBeyondTheByteCount) {
    test::TempDir dir;
    test::writeFile(dir / "photos.zip", test::patternBytes(10));
    EXPECT_EQ(runCommand({"split", "-n", "4", dir / "photos.zip", dir / ""}).status, 0);
    EXPECT_EQ(test::namesIn(dir.path()),
              (std::vector<std::string>{"photos.001", "photos.002", "photos.003", "photos.004",
                                        "photos.bat", "photos.zip"}));
    EXPECT_EQ(fs::file_size(dir / "photos.001"), 3u);
    EXPECT_EQ(fs::file_size(dir / "photos.004"), 1u);

    EXPECT_EQ(runCommand({"split", "-n", "0", dir / "photos.zip"}).err,
              "morsela: -n needs a whole number of pieces from 1 up, not '0'\n");
    const auto tooMany = runCommand({"split", "--pieces", "11", dir / "photos.zip", dir / "x"});
    EXPECT_EQ(tooMany.status, 1);
    EXPECT_EQ(tooMany.err, "morsela: " + (dir / "photos.zip") +
                               ": cannot be cut into 11 pieces; it has only 10 bytes\n");
    EXPECT_EQ(runCommand({"split", "-n", "2", dir / "photos.zip", "1K", dir / ""}).status, 2);
    // A size after -n is no output directory, unless there is a directory of that name.
    const auto sizeToo = runCommand({"split", "-n", "3", dir / "photos.zip", "10K"});
    EXPECT_EQ(sizeToo.status, 2);
    EXPECT_EQ(sizeToo.err,
              "morsela: -n 3 and the size '10K' cannot go together: give one of them\n");
    fs::create_directory(dir.path() / "10K");
    EXPECT_EQ(runCommand({"split", "-n", "3", dir / "photos.zip", dir / "10K"}).status, 0);

    // An empty file is one empty piece, by count as by size.
    test::writeFile(dir / "empty.bin", "");
    fs::create_directory(dir.path() / "e");
    const auto empty = runCommand({"split", "-n", "1", dir / "empty.bin", dir / "e"});
    EXPECT_EQ(empty.status, 0);
    EXPECT_NE(empty.out.find(": 1 empty piece in "), std::string::npos) << empty.out;
    EXPECT_EQ(test::namesIn(dir.path() / "e"),
              (std::vector<std::string>{"empty.001", "empty.bat"}));
    EXPECT_EQ(runCommand({"split", "-n", "2", dir / "empty.bin", dir / "e"}).status, 1);
}

TEST(CommandLine, ManyPiecesAreAnnouncedAndQuietRunsPrintNothing) {
    test::TempDir dir;
    test::writeFile(dir / "big.bin", test::patternBytes(10001));
    fs::create_directory(dir.path() / "out");
    const auto run = runCommand({"split", dir / "big.bin", "0.0009765625", dir / "out"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "morsela: this split makes 10,001 pieces of 1 byte each\n");
    // Again, into fewer pieces: the first split's others are removed, with a notice.
    const auto quiet = runCommand({"split", dir / "big.bin", "4.9", dir / "out", "-q"});
    EXPECT_EQ(quiet.status, 0) << quiet.err;
    EXPECT_EQ(quiet.out + quiet.err, "");
    EXPECT_EQ(test::namesIn(dir.path() / "out"),
              (std::vector<std::string>{"big.001", "big.002", "big.bat"}));
    EXPECT_NE(runCommand({"split", dir / "big.bin", "9.77", dir / "out"})
                  .err.find("1 piece of the earlier split beyond this one's was removed"),
              std::string::npos);
}

TEST(CommandLine, UsageErrorsAreOneLineInTheProgramsOwnWords) {
    test::TempDir dir;
    test::writeFile(dir / "a.zip", "bytes");
    const std::string a = dir / "a.zip";
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{}, "give a command: split, join or verify (see 'morsela --help')"},
        {{"spilt", "a", "1"}, "'spilt' is not a command; did you mean 'split'?"},
        {{"frobnicate"},
         "'frobnicate' is not a command; the commands are 'split', 'join' and 'verify'"},
        {{"-v", "split"},
         "give a command before '-v': split, join or verify (see 'morsela --help')"},
        {{"split"}, "split needs the SOURCE file and a SIZE, as in 'morsela split movie.mp4 700M'"},
        {{"split", a},
         "split needs a SIZE after '" + a + "', as in 700M, or -n N to cut it into N pieces"},
        {{"split", a, "1", "x", "y", "z"},
         "'y' is one argument too many: split takes SOURCE SIZE [OUTDIR]"},
        {{"split", "-n", "2"}, "split -n 2 needs the SOURCE file to cut"},
        {{"split", "-n", "99999999999999999999999", a},
         "-n 99999999999999999999999 is more pieces than any file has bytes"},
        {{"split", "-n", "1e3", a}, "-n needs a whole number of pieces from 1 up, not '1e3'"},
        {{"split", a, "-n"}, "-n needs a number of pieces, as in -n 3"},
        {{"split", "--pieces=", a}, "--pieces needs a number of pieces, as in -n 3"},
        {{"split", "--checksum=yes", a, "1"}, "--checksum takes no value; give it without '=yes'"},
        {{"split", "--output", a, "1"},
         "split has no option '--output'; see 'morsela split --help'"},
        {{"verify", "--no-verify", "a.bat"},
         "verify has no option '--no-verify'; see 'morsela verify --help'"},
        {{"join"},
         "join needs a rejoin SCRIPT or a first piece NAME.001, as in 'morsela join movie.bat'"},
        {{"join", "a.bat", "-o"}, "-o needs the file or directory to write to, as in -o ~/restore"},
        {{"verify", "a.bat", "b.bat"},
         "'b.bat' is one argument too many: verify takes one SCRIPT or NAME.001"},
        {{"split", a, "0"}, "'0' gives pieces of less than one byte; give a larger size"},
        {{"split", a, "9e9T"}, "'9e9T' is larger than any file can be; give a smaller size"},
        {{"split", a, "1\x1b[2J"},
         "'1$'\\e'[2J' is not a size: give a number and a unit, k K KiB M MiB G GiB T TiB (1024s) "
         "or kB KB MB GB TB (1000s), as in 700M"},
    };
    for (const auto& [args, message] : cases) {
        const auto run = runCommand(args);
        EXPECT_EQ(run.status, 2) << message;
        EXPECT_EQ(run.err, "morsela: " + message + "\n");
        EXPECT_EQ(run.out, "");
    }
    EXPECT_EQ(test::namesIn(dir.path()), std::vector<std::string>{"a.zip"});
}

TEST(CommandLine, EveryFlagIsRefusedAValueAndEveryCommandEndsItsOwnWords) {
    test::TempDir dir;
    test::writeFile(dir / "a.zip", "bytes");
    const std::string a = dir / "a.zip";
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"split", "--no-sync=1", a, "1"}, "--no-sync takes no value; give it without '=1'"},
        {{"join", "--force=", a}, "--force takes no value; give it without '='"},
        {{"verify", "--help=all"}, "--help takes no value; give it without '=all'"},
        {{"split", "++", a},
         "cannot read the command line 'split ++ " + a + "'; see 'morsela split --help'"},
    };
    for (const auto& [args, message] : cases) {
        const auto run = runCommand(args);
        EXPECT_EQ(run.status, 2) << message;
        EXPECT_EQ(run.err, "morsela: " + message + "\n");
    }
    EXPECT_EQ(test::namesIn(dir.path()), std::vector<std::string>{"a.zip"});
    // Flags go together after one dash, help among them.
    EXPECT_EQ(runCommand({"split", "-qh"}).out, runCommand({"split", "--help"}).out);
}

TEST(CommandLine, TwoDashesAfterAnOperandStillMakeOperandsOfWhatFollows) {
    test::TempDir dir;
    test::writeFile(dir / "x.zip", "bytes");
    fs::create_directory(dir.path() / "-out");
    const auto run = test::runMorselaProcess({"split", "x.zip", "-q", "--", "1", "-out"},
                                             {false, false, 0, dir.path(), {}});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out + run.err, "");
    EXPECT_EQ(test::namesIn(dir.path() / "-out"), (std::vector<std::string>{"x.001", "x.bat"}));
}

TEST(CommandLine, AfterTwoDashesEveryWordIsAnOperand) {
    test::TempDir dir;
    test::writeFile(dir / "-v.zip", "bytes");
    const auto run = test::runMorselaProcess({"split", "-q", "--", "-v.zip", "1"},
                                             {false, false, 0, dir.path(), {}});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(test::readFile(dir / "-v.bat"), "copy /b -v.001 -v.zip\r\n");
}

TEST(CommandLine, HelpAndVersionWorkAfterAnyCommandAndHelpFitsEightyColumns) {
    const std::vector<std::vector<std::string>> asks = {
        {"--help"}, {"split", "--help"}, {"join", "a.bat", "-o", "x", "--help"}, {"verify", "-h"}};
    for (const auto& args : asks) {
        const auto help = runCommand(args);
        EXPECT_EQ(help.status, 0);
        EXPECT_EQ(help.out.rfind("Usage: morsela " + (args[0] == "--help" ? "split" : args[0]), 0),
                  0u)
            << help.out;
        std::istringstream lines(help.out);
        for (std::string line; std::getline(lines, line);) {
            EXPECT_LE(line.size(), 80u) << line;
            EXPECT_EQ(line.find('\t'), std::string::npos) << line;
        }
    }
    EXPECT_NE(runCommand({"split", "--help"}).out.find("  k, K, kiB, KiB   1024 bytes"),
              std::string::npos);
    EXPECT_NE(runCommand({"--help"}).out.find("--no-verify"), std::string::npos);
    for (const auto& args : std::vector<std::vector<std::string>>{
             {"--version"}, {"split", "--version"}, {"join", "x.bat", "--version"}}) {
        const auto version = runCommand(args);
        EXPECT_EQ(version.status, 0);
        EXPECT_EQ(version.out, "morsela " MORSELA_VERSION "\n");
    }
    // The value of -o is a path, whatever it looks like.
    EXPECT_EQ(runCommand({"join", "-o", "--help"}).status, 2);
}

TEST(CommandLine, JoinWritesWhereItIsToldAndNamesThatPlaceInFailures) {
    test::TempDir dir;
    fs::create_directories(dir.path() / "dvd");
    fs::create_directories(dir.path() / "home");
    test::writeFile(dir / "dvd/backup.tar", test::patternBytes(5000));
    ASSERT_EQ(runCommand({"split", dir / "dvd/backup.tar", "1", dir / "dvd"}).status, 0);
    fs::remove(dir / "dvd/backup.tar");
    const auto before = test::namesIn(dir.path() / "dvd");

    const auto intoDir = runCommand({"join", dir / "dvd/backup.bat", "-o", dir / "home"});
    EXPECT_EQ(intoDir.status, 0) << intoDir.err;
    // Where the file goes is said before it is written.
    EXPECT_EQ(intoDir.out.rfind("morsela: joining 5 pieces into " + (dir / "home/backup.tar") +
                                    "\nmorsela: " + (dir / "home/backup.tar") + ": joined 5 pieces",
                                0),
              0u)
        << intoDir.out;
    EXPECT_EQ(test::readFile(dir / "home/backup.tar"), test::patternBytes(5000));
    const auto asFile =
        runCommand({"join", dir / "dvd/backup.bat", "--output", dir / "home/b", "-q"});
    EXPECT_EQ(asFile.status, 0) << asFile.err;
    EXPECT_EQ(asFile.out, "");
    EXPECT_EQ(test::readFile(dir / "home/b"), test::patternBytes(5000));
    EXPECT_EQ(test::namesIn(dir.path() / "dvd"), before);  // nothing written beside the pieces

    const auto exists = runCommand({"join", dir / "dvd/backup.bat", "-o", dir / "home"});
    EXPECT_EQ(exists.status, 1);
    EXPECT_EQ(exists.err, "morsela: " + (dir / "home/backup.tar") +
                              ": already exists; use --force to replace it\n");
}

// The names in `dir` that a stopped job must not leave: temporary files and scripts.
std::vector<std::string> debrisIn(const fs::path& dir) {
    std::vector<std::string> debris;
    for (const auto& name : test::namesIn(dir)) {
        if (name.starts_with(".morsela-") || name.ends_with(".bat")) {
            debris.push_back(name);
        }
    }
    return debris;
}

class StopSignal : public ::testing::TestWithParam<int> {};

TEST_P(StopSignal, StopsASplitOrJoinAfterTheBlockAndCleansUp) {
    test::TempDir dir;
    fs::create_directory(dir.path() / "out");
    test::writeFile(dir / "slow.bin", test::patternBytes(20 * 65536));
    const test::ProcessOptions slowAndStopped{
        true, false, 0, "", {test::sendSignal(std::chrono::milliseconds(250), GetParam())}};
    const auto split =
        test::runMorselaProcess({"split", dir / "slow.bin", "64K", dir / "out"}, slowAndStopped);
    EXPECT_EQ(split.status, 130) << split.err;
    EXPECT_NE(split.err.find("whole piece"), std::string::npos) << split.err;
    const auto pieces = test::namesIn(dir.path() / "out");
    EXPECT_GT(pieces.size(), 0u);
    EXPECT_LT(pieces.size(), 20u);  // stopped mid-split
    EXPECT_EQ(debrisIn(dir.path() / "out"), std::vector<std::string>{});
    for (const auto& name : pieces) {
        EXPECT_EQ(fs::file_size(dir.path() / "out" / name), 65536u) << name;  // only whole ones
    }

    ASSERT_EQ(runCommand({"split", dir / "slow.bin", "64K", dir / "out", "-q"}).status, 0);
    fs::remove(dir / "slow.bin");
    const auto join = test::runMorselaProcess({"join", dir / "out/slow.bat"}, slowAndStopped);
    EXPECT_EQ(join.status, 130) << join.err;
    EXPECT_NE(join.err.find("stopped; the target was not written"), std::string::npos);
    EXPECT_EQ(test::namesIn(dir.path() / "out").size(), 21u);  // no target, no temporary file
}

INSTANTIATE_TEST_SUITE_P(CtrlCTermAndHangUp, StopSignal,
                         ::testing::Values(SIGINT, SIGTERM, SIGHUP));

TEST(BrokenOutput, AReaderThatWentAwayStopsTheJobWhichCleansUpAndFails) {
    test::TempDir dir;
    fs::create_directory(dir.path() / "out");
    test::writeFile(dir / "slow.bin", test::patternBytes(20 * 65536));
    const test::ProcessOptions readerGone{true, true, 0, "", {}};
    // -v writes a line after the first piece: that write fails, and the split stops.
    const auto split =
        test::runMorselaProcess({"split", "-v", dir / "slow.bin", "64K", dir / "out"}, readerGone);
    EXPECT_EQ(split.signal, 0);
    EXPECT_EQ(split.status, 1) << split.err;
    EXPECT_EQ(split.err, "morsela: cannot write to standard output: Broken pipe\nmorsela: " +
                             (dir / "slow.bin") +
                             ": stopped; 1 whole piece is left and no rejoin script\n");
    EXPECT_EQ(test::namesIn(dir.path() / "out"), std::vector<std::string>{"slow.001"});

    // A join tells where the file goes first: it stops before it writes anything.
    ASSERT_EQ(runCommand({"split", dir / "slow.bin", "64K", dir / "out", "-q"}).status, 0);
    fs::remove(dir / "slow.bin");
    const auto join = test::runMorselaProcess({"join", dir / "out/slow.bat"}, readerGone);
    EXPECT_EQ(join.status, 1) << join.err;
    EXPECT_EQ(test::namesIn(dir.path() / "out").size(), 21u);  // no target, no temporary file

    // Without -v only the summary is written, after the split is complete: it fails all the
    // same, and the pieces stay.
    test::writeFile(dir / "small.bin", "x");
    const auto quietly =
        test::runMorselaProcess({"split", dir / "small.bin", "1", dir.dirText()}, readerGone);
    EXPECT_EQ(quietly.status, 1) << quietly.err;
    EXPECT_EQ(quietly.err, "morsela: cannot write to standard output: Broken pipe\n");
    EXPECT_TRUE(fs::exists(dir / "small.bat"));
}

}  // namespace
}  // namespace morsela
