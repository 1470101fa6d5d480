// The morsela command as people who know the standard tools use it: sizes with units,
// pieces by count, quiet runs, one-line errors, a named unknown command, join to another
// place, the terminal's bar, and a clean stop on Ctrl-C.

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <thread>

#include "cli/terminal_observer.h"
#include "tests/support/child_process.h"
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

    EXPECT_EQ(runCommand({"split", "-n", "0", dir / "photos.zip"}).status, 2);
    const auto tooMany = runCommand({"split", "--pieces", "11", dir / "photos.zip", dir / "x"});
    EXPECT_EQ(tooMany.status, 1);
    EXPECT_EQ(tooMany.err, "morsela: " + (dir / "photos.zip") +
                               ": cannot be cut into 11 pieces; it has only 10 bytes\n");
    EXPECT_EQ(runCommand({"split", "-n", "2", dir / "photos.zip", "1K", dir / ""}).status, 2);

    // An empty file is one empty piece, by count as by size.
    test::writeFile(dir / "empty.bin", "");
    fs::create_directory(dir.path() / "e");
    EXPECT_EQ(runCommand({"split", "-n", "1", dir / "empty.bin", dir / "e"}).status, 0);
    EXPECT_EQ(test::namesIn(dir.path() / "e"),
              (std::vector<std::string>{"empty.001", "empty.bat"}));
    EXPECT_EQ(runCommand({"split", "-n", "2", dir / "empty.bin", dir / "e"}).status, 1);
}

TEST(CommandLine, ManyPiecesAreAnnouncedAndQuietRunsPrintNothing) {
    test::TempDir dir;
    test::writeFile(dir / "big.bin", test::patternBytes(10001));
    fs::create_directory(dir.path() / "out");
    const auto run = runCommand({"split", dir / "big.bin", "0.0009765625", dir / "out", "-q"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, "morsela: this split makes 10001 pieces of 1 byte each\n");
}

TEST(CommandLine, UsageErrorsNameWhatWasWrong) {
    const auto typo = runCommand({"spilt", "a", "1"});
    EXPECT_EQ(typo.status, 2);
    EXPECT_EQ(typo.err, "morsela: 'spilt' is not a command; did you mean 'split'?\n");
    EXPECT_EQ(
        runCommand({"frobnicate"}).err,
        "morsela: 'frobnicate' is not a command; the commands are 'split', 'join' and 'verify'\n");
    const auto missing = runCommand({"join"});
    EXPECT_EQ(missing.status, 2);
    EXPECT_EQ(missing.err.rfind("morsela: ", 0), 0u) << missing.err;
    const auto help = runCommand({"split", "--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("700M"), std::string::npos) << help.out;
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
    EXPECT_EQ(test::readFile(dir / "home/backup.tar"), test::patternBytes(5000));
    const auto asFile = runCommand({"join", dir / "dvd/backup.bat", "--output", dir / "home/b"});
    EXPECT_EQ(asFile.status, 0) << asFile.err;
    EXPECT_EQ(test::readFile(dir / "home/b"), test::patternBytes(5000));
    EXPECT_EQ(test::namesIn(dir.path() / "dvd"), before);  // nothing written beside the pieces

    const auto exists = runCommand({"join", dir / "dvd/backup.bat", "-o", dir / "home"});
    EXPECT_EQ(exists.status, 1);
    EXPECT_EQ(exists.err, "morsela: " + (dir / "home/backup.tar") +
                              ": already exists; use --force to replace it\n");
}

TEST(CommandLine, TheBarNeverShowsAPercentageTwiceOrGoesBack) {
    std::FILE* err = std::tmpfile();
    TerminalObserver bar(stdout, err, {true, false, false});
    bar.splitStarted({"a.bin", 1000, 1000, 1});
    for (const std::int64_t done : {0, 5, 9, 10, 10, 400, 399, 1000, 1000}) {
        bar.progressed(done, 1000);
    }
    const std::string shown = test::readAll(err);
    std::vector<int> percents;
    for (std::size_t pos = 0; (pos = shown.find("] ", pos)) != std::string::npos; pos += 2) {
        percents.push_back(std::stoi(shown.substr(pos + 2, 3)));
    }
    EXPECT_EQ(percents, (std::vector<int>{0, 1, 40, 100}));
    EXPECT_NE(shown.find("1000 bytes of 1000 bytes"), std::string::npos) << shown;
}

// Runs the real morsela binary with every in-kernel copy and write slowed down, and sends
// SIGINT once it is under way. Returns the exit status and standard error.
std::pair<int, std::string> interruptedRun(const std::vector<std::string>& args,
                                           const fs::path& errFile) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (std::freopen(errFile.c_str(), "w", stderr) == nullptr) {
            std::_Exit(126);
        }
        ::setenv("LD_PRELOAD", MORSELA_SLOW_IO, 1);
        ::setenv("ASAN_OPTIONS", "verify_asan_link_order=0", 1);  // for a sanitizer build
        std::vector<char*> argv{const_cast<char*>(MORSELA_BIN)};
        for (const auto& arg : args) {
            argv.push_back(const_cast<char*>(arg.c_str()));
        }
        argv.push_back(nullptr);
        ::execv(MORSELA_BIN, argv.data());
        std::_Exit(127);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(250));
    ::kill(pid, SIGINT);
    int status = 0;
    ::waitpid(pid, &status, 0);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, test::readFile(errFile.string())};
}

TEST(CommandLine, CtrlCStopsASplitOrJoinCleanly) {
    test::TempDir dir;
    fs::create_directory(dir.path() / "out");
    test::writeFile(dir / "slow.bin", test::patternBytes(20 * 65536));
    const auto [status, err] =
        interruptedRun({"split", dir / "slow.bin", "64K", dir / "out"}, dir.path() / "err");
    EXPECT_EQ(status, 130) << err;
    EXPECT_NE(err.find("whole piece"), std::string::npos) << err;
    const auto pieces = test::namesIn(dir.path() / "out");
    EXPECT_GT(pieces.size(), 0u);
    EXPECT_LT(pieces.size(), 20u);  // stopped mid-split
    for (const auto& name : pieces) {
        EXPECT_NE(name, "slow.bat");
        EXPECT_EQ(fs::file_size(dir.path() / "out" / name), 65536u) << name;  // only whole ones
    }

    ASSERT_EQ(runCommand({"split", dir / "slow.bin", "64K", dir / "out", "-q"}).status, 0);
    fs::remove(dir / "slow.bin");
    const auto [joinStatus, joinErr] =
        interruptedRun({"join", dir / "out/slow.bat"}, dir.path() / "err2");
    EXPECT_EQ(joinStatus, 130) << joinErr;
    EXPECT_NE(joinErr.find("stopped; the target was not written"), std::string::npos);
    EXPECT_EQ(test::namesIn(dir.path() / "out").size(), 21u);  // no target, no temporary file
}

}  // namespace
}  // namespace morsela
