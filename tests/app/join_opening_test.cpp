// What morsela-win makes of its command line and of the file it is started on, and the join
// window's words for sizes and times.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <cstdio>
#include <filesystem>
#include <vector>

#include "app/join/join_texts.h"
#include "app/join/opened_file.h"
#include "app/window_arguments.h"
#include "engine/join/opened_look.h"
#include "tests/support/child_process.h"
#include "tests/support/temp_dir.h"

namespace morsela {
namespace {

namespace fs = std::filesystem;

TEST(OpenedFile, RejoinScriptsAreKnownByTheirFirstCommandWhateverTheirName) {
    const test::TempDir dir;
    struct Case {
        const char* text;
        bool script;
    };
    const Case cases[] = {
        {"copy /b a.001+a.002 a.zip\r\n", true},
        {"\xef\xbb\xbf@echo off\r\n@chcp 65001>nul\r\nREM joins\r\n\r\nCOPY  /B a.001 a\r\n", true},
        {":: by hand\n@copy\t/b \"a b.001\"+\"a b.002\" \"a b\"\n", true},
        {"@echo off\r\ndel /q *.*\r\ncopy /b a.001+a.002 a.zip\r\n", false},
        {"copy a.001 a.zip\r\n", false},
        {"copy /bx a.001 a.zip\r\n", false},
        {"remove /b\r\ncopy /b a.001 a\r\n", false},
        {"", false},
        {"PK\x03\x04 copy /b", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        test::writeFile(dir / "joins.txt", c.text);
        EXPECT_EQ(lookOfOpenedFile(dir / "joins.txt") == OpenedLook::RejoinScript, c.script);
        EXPECT_EQ(openingOf(NativePath(dir / "joins.txt")),
                  c.script ? Opening::Join : Opening::Split);
    }
    // A pipe is not waited on.
    ASSERT_EQ(::mkfifo((dir / "pipe.bat").c_str(), 0600), 0);
    EXPECT_EQ(lookOfOpenedFile(dir / "pipe.bat"), OpenedLook::Neither);
    EXPECT_EQ(openingOf(NativePath(dir / "pipe.bat")), Opening::Split);
}

TEST(OpenedFile, AFirstPieceOpensTheJoinEvenBeforeItIsThere) {
    const test::TempDir dir;
    EXPECT_EQ(openingOf(NativePath(dir / "photos.7z.001")),
              Opening::Join);  // the join says what is missing
    EXPECT_EQ(openingOf(NativePath(dir / "photos.002")), Opening::Split);
    EXPECT_EQ(openingOf(NativePath(dir / "report.pdf")), Opening::Split);
    EXPECT_EQ(openingOf(NativePath(dir / ".001")), Opening::Split);
    fs::create_directory(dir / "backup.001");
    EXPECT_EQ(openingOf(NativePath(dir / "backup.001")), Opening::Split);
}

// The window opens a file as the join reads it: what join takes for a rejoin script or the
// first piece of a numbered series opens the join window, and nothing else does.
TEST(OpenedFile, TheWindowOpensWhatTheJoinReads) {
    const test::TempDir dir;
    struct Case {
        const char* text;
        Opening opening;
    };
    const Case cases[] = {
        // A pause before the copy line, as in scripts written by hand: join reads it.
        {"@echo off\r\npause\r\ncopy /b a.001+a.002 a.zip\r\n", Opening::Join},
        {"rem joins\r\n@chcp 850 > NUL\r\nPAUSE\r\nCopy /B a.001 a.zip\r\n", Opening::Join},
        // Join refuses an echo that writes a file, and a copy line with an unquoted "&".
        {"echo x > a.zip\r\ncopy /b a.001 a.zip\r\n", Opening::Split},
        {"copy /b a.001+a.002 a&b.zip\r\n", Opening::Split},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        test::writeFile(dir / "joins.cmd", c.text);
        EXPECT_EQ(openingOf(NativePath(dir / "joins.cmd")), c.opening);
    }
    // The first piece of a series numbered from 0 or from 1, in two to four digits, whether
    // it is there or not; a later piece is a file to split.
    for (const char* first : {"data.bin.000", "data.bin.00", "data.bin.0000", "data.bin.01",
                              "data.bin.0001", "photos.7z.001"}) {
        SCOPED_TRACE(first);
        EXPECT_EQ(openingOf(NativePath(dir / first)), Opening::Join);
        test::writeFile(dir / first, "PK\x03\x04");
        EXPECT_EQ(openingOf(NativePath(dir / first)), Opening::Join);
    }
    for (const char* later : {"data.bin.02", "data.bin.0002", "data.bin.1", "photos.7z.1000"}) {
        SCOPED_TRACE(later);
        test::writeFile(dir / later, "PK\x03\x04");
        EXPECT_EQ(openingOf(NativePath(dir / later)), Opening::Split);
    }
}

struct Answer {
    WindowArguments arguments;
    std::string out;
};

template <typename Read>
Answer run(Read read, std::vector<std::string> words) {
    words.insert(words.begin(), "morsela-win");
    std::vector<char*> argv;
    for (std::string& word : words) {
        argv.push_back(word.data());
    }
    std::FILE* out = std::tmpfile();
    Answer result{read(static_cast<int>(argv.size()), argv.data(), out), ""};
    result.out = test::readAll(out);
    return result;
}

TEST(WindowArguments, HelpAndVersionAnswerBeforeTheWindowOpens) {
    const Answer help = run(answerBeforeDisplay, {"report.pdf", "--help"});
    EXPECT_EQ(help.arguments.action, WindowArguments::Action::Exit);
    EXPECT_EQ(help.arguments.exitStatus, 0);
    EXPECT_EQ(help.out, windowHelp());
    EXPECT_EQ(help.out.rfind("Usage: morsela-win [FILE]\n", 0), 0u);
    EXPECT_EQ(run(answerBeforeDisplay, {"-h"}).out, windowHelp());
    EXPECT_EQ(run(answerBeforeDisplay, {"--version"}).out, "morsela-win " MORSELA_VERSION "\n");
    const Answer file = run(answerBeforeDisplay, {"--", "--help"});  // a file named --help
    EXPECT_EQ(file.arguments.action, WindowArguments::Action::OpenWindow);
    EXPECT_EQ(file.out, "");
}

TEST(WindowArguments, TheWindowOpensOnOneFile) {
    const Answer none = run(readFileArgument, {});
    EXPECT_EQ(none.arguments.action, WindowArguments::Action::OpenWindow);
    EXPECT_FALSE(none.arguments.file);
    EXPECT_EQ(run(readFileArgument, {"my holiday.zip"}).arguments.file, "my holiday.zip");
    EXPECT_EQ(run(readFileArgument, {"--", "-notes.txt"}).arguments.file, "-notes.txt");

    const Answer unknown = run(readFileArgument, {"--verbose", "a.zip"});
    EXPECT_EQ(unknown.arguments.exitStatus, 2);
    EXPECT_EQ(unknown.out,
              "morsela-win: unknown option '--verbose'\n"
              "Try 'morsela-win --help' for more information.\n");
    const Answer two = run(readFileArgument, {"a.zip", "b.zip"});
    EXPECT_EQ(two.arguments.action, WindowArguments::Action::Exit);
    EXPECT_EQ(two.arguments.exitStatus, 2);
    EXPECT_NE(two.out.find("'b.zip' is one argument too many"), std::string::npos);
}

TEST(JoinTexts, RatesAndTimeLeftComeOnceThereIsASecondToJudgeThemBy) {
    // No rate before a second has passed; then the rate and the time left.
    EXPECT_EQ(progressLine(512 * 1048576LL, 1024 * 1048576LL, 0.5), "512 MiB of 1 GiB");
    EXPECT_EQ(progressLine(512 * 1048576LL, 1024 * 1048576LL, 4),
              "512 MiB of 1 GiB, 128 MiB/s, 0:04 left");
}

TEST(JoinTexts, TheResultSaysWhatTheChecksumFileVouchedFor) {
    JoinOutcome outcome{"/m/a.iso", 3, 3072, false, false};
    EXPECT_EQ(resultLine(outcome),
              "Joined /m/a.iso (3 KiB); not checked: no checksum file beside the pieces.");
    outcome.verified = true;
    EXPECT_EQ(resultLine(outcome),
              "Joined /m/a.iso (3 KiB); the joined file matched its checksum.");
    outcome.piecesListed = true;
    EXPECT_EQ(resultLine(outcome),
              "Joined /m/a.iso (3 KiB); all 3 pieces matched their checksums.");
}

}  // namespace
}  // namespace morsela
