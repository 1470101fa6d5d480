// What the command prints, piece by piece: names and lines with control characters escaped,
// a bar line that fits the width it is given, times as a clock shows them, a bar redrawn a
// few times a second, and quiet runs that print nothing but errors.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <optional>

#include "cli/progress_line.h"
#include "cli/terminal_observer.h"
#include "tests/support/child_process.h"
#include "tests/support/morsela_run.h"
#include "tests/support/temp_dir.h"
#include "tests/support/terminal_screen.h"
#include "words/human_text.h"
#include "words/printable.h"

namespace morsela {
namespace {

namespace fs = std::filesystem;

// The name that fakes a success on a terminal that obeys its escape sequences.
const std::string kFakeSuccess = "x\x1b[2K\rdone: 3 pieces written\x1b[8m.zip";

bool holdsControlCharacters(const std::string& text) {
    return std::any_of(text.begin(), text.end(), [](char c) {
        return (static_cast<unsigned char>(c) < 0x20 && c != '\n') || c == 0x7f;
    });
}

TEST(Printable, EscapesWhatATerminalWouldObeyAndNothingElse) {
    const std::pair<std::string, std::string> cases[] = {
        {kFakeSuccess, "x$'\\e'[2K$'\\r'done: 3 pieces written$'\\e'[8m.zip"},
        {"title\x1b]0;pwned\x07", "title$'\\e']0;pwned$'\\a'"},
        {"a\t\n\x7f\x01", "a$'\\t\\n\\177\\001'"},  // one run, one $'...'
        {"c1 \xc2\x9b"
         "2J",
         "c1 $'\\302\\233'2J"},                            // CSI as a C1 control
        {"latin1 caf\xe9.zip", "latin1 caf$'\\351'.zip"},  // no UTF-8
        {"cut \xe2\x82", "cut $'\\342\\202'"},             // a sequence cut short
        {"overlong \xc0\xaf", "overlong $'\\300\\257'"},
        {"exe\xe2\x80\xaegpj.zip", "exe$'\\342\\200\\256'gpj.zip"},  // right-to-left override
        {"ev\xd8\x9cil.txt", "ev$'\\330\\234'il.txt"},               // Arabic letter mark
        {"pay\xe2\x80\x8bpal", "pay$'\\342\\200\\213'pal"},          // zero width space
        {"\xef\xbb\xbfname", "$'\\357\\273\\277'name"},              // zero width no-break space
        {"film\xc2\xad.001", "film$'\\302\\255'.001"},               // soft hyphen
        {"a\xe3\x85\xa4"
         "b",
         "a$'\\343\\205\\244'b"},                                              // Hangul filler
        {"t\xf3\xa0\x80\x81", "t$'\\363\\240\\200\\201'"},                     // a tag character
        {"n\xd8\x80x", "n$'\\330\\200'x"},                                     // Arabic number sign
        {"heart \xe2\x9d\xa4\xef\xb8\x8f", "heart \xe2\x9d\xa4\xef\xb8\x8f"},  // emoji stays
        // A zero width non-joiner that a Persian word needs stays as it is.
        {"\xd9\x85\xdb\x8c\xe2\x80\x8c\xd8\xae\xd9\x88\xd8\xa7\xd9\x87\xd9\x85",
         "\xd9\x85\xdb\x8c\xe2\x80\x8c\xd8\xae\xd9\x88\xd8\xa7\xd9\x87\xd9\x85"},
        {"holiday photos (1) 'it''s' caf\xc3\xa9 \xf0\x9f\x98\x80.zip",
         "holiday photos (1) 'it''s' caf\xc3\xa9 \xf0\x9f\x98\x80.zip"},
        {"", ""},
    };
    for (const auto& [text, shown] : cases) {
        EXPECT_EQ(printable(text), shown) << shown;
        EXPECT_FALSE(holdsControlCharacters(printable(text))) << shown;
    }
}

TEST(ProgressLine, FitsItsWidthAndLeavesOutTheLeastUsefulPartsFirst) {
    constexpr std::int64_t kGiB = 1073741824;
    // 1.5 GiB of 6 GiB after 12 s: 128 MiB/s, 36 s left.
    const auto line = [&](int width) { return progressLine(3 * kGiB / 2, 6 * kGiB, 12, width); };
    EXPECT_EQ(line(77),
              "[#######                        ]  25% 1.5 GiB of 6 GiB, 128 MiB/s, 0:36 left");
    EXPECT_EQ(line(57), "[##         ]  25% 1.5 GiB of 6 GiB, 128 MiB/s, 0:36 left");
    EXPECT_EQ(line(55), "[#####               ]  25% 1.5 GiB of 6 GiB, 0:36 left");
    EXPECT_EQ(line(35), "[####              ]  25% 0:36 left");
    EXPECT_EQ(line(120),
              "[##########                              ]  25% 1.5 GiB of 6 GiB, 128 MiB/s, "
              "0:36 left");                 // no longer than 40 columns
    EXPECT_EQ(line(20), " 25% 0:36 left");  // the time left outlasts the bar
    EXPECT_EQ(line(6), " 25%");
    EXPECT_EQ(line(3), "");
    EXPECT_EQ(progressLine(0, 0, 0, 77), "[" + std::string(40, '#') + "] 100% 0 bytes of 0 bytes");

    // Whatever the figures, never wider than asked.
    for (const std::int64_t total : {0LL, 1LL, 999LL, 1023LL * 1048576, 9000LL * kGiB}) {
        for (const double seconds : {0.0, 0.001, 59.5, 3600.0, 1e7}) {
            for (int width = 0; width <= 130; ++width) {
                const std::string shown = progressLine(total / 3, total, seconds, width);
                EXPECT_LE(static_cast<int>(shown.size()), std::max(width, 0))
                    << total << " " << seconds << " " << width;
            }
        }
    }
}

// A terminal observer whose clock the test moves.
struct ObserverOnFakeClock {
    explicit ObserverOnFakeClock(TerminalObserver::Settings settings)
        : out(std::tmpfile()), err(std::tmpfile()) {
        terminal.emplace(out, err, settings, [this] { return now; });
    }
    void after(int milliseconds) { now += std::chrono::milliseconds(milliseconds); }
    // What the observer wrote on standard output and standard error, once it is gone.
    std::pair<std::string, std::string> shown() {
        terminal.reset();
        return {test::readAll(out), test::readAll(err)};
    }

    std::chrono::steady_clock::time_point now{};
    std::FILE* out;
    std::FILE* err;
    std::optional<TerminalObserver> terminal;
};

int framesIn(const std::string& shown) {
    int frames = 0;
    for (std::size_t at = 0; (at = shown.find("\r[", at)) != std::string::npos; ++at) {
        ++frames;
    }
    return frames;
}

TEST(TerminalObserver, RedrawsAFewTimesASecondAndOnEveryBlockThatTakesLonger) {
    ObserverOnFakeClock fast({true, false, false, false});
    fast.terminal->splitStarted({"a.bin", 1000000, 1000, 1000});
    for (int block = 1; block <= 200; ++block) {  // 200 blocks in 2 s
        fast.after(10);
        fast.terminal->progressed(block * 5000, 1000000);
    }
    EXPECT_EQ(framesIn(fast.shown().second), 8);  // every 250 ms

    ObserverOnFakeClock slow({true, false, false, false});
    slow.terminal->joinStarted({"a.bin", 10, 1000000});
    for (int block = 1; block <= 10; ++block) {  // a block every 0.9 s
        slow.after(900);
        slow.terminal->progressed(block * 100000, 1000000);
    }
    const std::string shown = slow.shown().second;
    EXPECT_EQ(framesIn(shown), 10);
    EXPECT_NE(shown.find("  50% 488 KiB of 977 KiB, 109 KiB/s, 0:05 left"), std::string::npos)
        << shown;
}

TEST(TerminalObserver, APhaseAfterTheCopyHasABarOfItsOwnUnderItsName) {
    ObserverOnFakeClock run({true, false, false, false});
    run.terminal->splitStarted({"a.bin", 1000000, 100000, 10});
    run.after(3000);
    run.terminal->progressed(1000000, 1000000);
    run.terminal->phaseStarted(Phase::WritingRecovery);
    run.after(1000);
    run.terminal->progressed(500000, 2000000);
    const std::string shown = run.shown().second;
    // The time left is judged by the phase alone: 500,000 bytes in its first second, not in
    // the four since the split began (which would leave 0:12).
    EXPECT_NE(shown.find("\rwriting recovery files: [####    "), std::string::npos) << shown;
    EXPECT_NE(shown.find("]  25% 488 KiB of 1.9 MiB, 0:03 left"), std::string::npos) << shown;
}

TEST(TerminalObserver, TheCopyAfterRebuildingShowsItsBarWithoutAName) {
    ObserverOnFakeClock run({true, false, false, false});
    run.terminal->phaseStarted(Phase::Rebuilding);
    run.after(300);
    run.terminal->progressed(100, 200);
    run.terminal->joinStarted({"a.bin", 2, 1000});
    run.after(300);
    run.terminal->progressed(500, 1000);
    const std::string shown = run.shown().second;
    EXPECT_NE(shown.find("\rrebuilding pieces: ["), std::string::npos) << shown;
    EXPECT_NE(shown.find("\r[###"), std::string::npos) << shown;  // the copy's bar, unnamed
}

TEST(TerminalObserver, EveryLineClearsTheBarFirstAndTheEndLeavesOnlyLines) {
    ObserverOnFakeClock run({true, false, false, false});
    run.terminal->splitStarted({"a.bin", 1000, 100, 10});
    run.after(300);
    run.terminal->progressed(500, 1000);
    run.terminal->notice({"", "a notice without a path"});
    run.after(300);
    run.terminal->progressed(600, 1000);
    run.terminal->failed(Error::stopped("a.bin", "stopped"));
    test::TerminalScreen screen(80);
    screen.feed(run.shown().second);
    EXPECT_EQ(screen.text(), "morsela: a notice without a path\nmorsela: a.bin: stopped\n");
}

TEST(TerminalObserver, QuietPrintsNothingButErrors) {
    ObserverOnFakeClock quiet({true, true, true, true});
    quiet.terminal->splitStarted({"a.bin", 100000, 1, 100000});  // many pieces: announced
    quiet.terminal->joinStarted({"a.bin", 3, 100000});           // a join: announced
    for (int block = 1; block <= 10; ++block) {
        quiet.after(500);
        quiet.terminal->progressed(block * 1000, 100000);
    }
    quiet.terminal->fileWritten("a.001");
    quiet.terminal->notice({"dir", "pieces of an earlier split"});
    quiet.terminal->finished("a.bin: done");
    quiet.terminal->failed(Error::refused("a.bin", "refused"));
    const auto [out, err] = quiet.shown();
    EXPECT_EQ(out, "");
    EXPECT_EQ(err, "morsela: a.bin: refused\n");
}

TEST(EscapedOutput, ARefusedNameFakesNothing) {
    test::TempDir dir;
    test::writeFile(dir / kFakeSuccess, "bytes");
    const auto run = test::runCommand({"split", dir / kFakeSuccess, "1"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err.rfind("morsela: " + dir.dirText() +
                                "x$'\\e'[2K$'\\r'done: 3 pieces written$'\\e'[8m.zip: ",
                            0),
              0u)
        << run.err;
    EXPECT_FALSE(holdsControlCharacters(run.err)) << run.err;
}

TEST(EscapedOutput, AScriptLineIsQuotedWithoutItsEscapeSequences) {
    test::TempDir dir;
    test::writeFile(dir / "a.001", "one");
    test::writeFile(dir / "a.bat", "copy /b a.001 a.bin\r\n\x1b]0;owned\x07\x1b[2J\x1b[8mdone\r\n");
    const auto run = test::runCommand({"join", dir / "a.bat"});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("$'\\e']0;owned$'\\a\\e'[2J$'\\e'[8mdone"), std::string::npos)
        << run.err;
    EXPECT_FALSE(holdsControlCharacters(run.err)) << run.err;
    EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1);
}

TEST(EscapedOutput, TheListOfFilesAndTheSummaryEscapeNamesThatAreNoUtf8) {
    test::TempDir dir;
    const std::string latin1 = "caf\xe9.zip";  // é in Latin-1: a byte a UTF-8 terminal misreads
    test::writeFile(dir / latin1, "some bytes");
    const auto run = test::runCommand({"split", "-v", dir / latin1, "1", dir.dirText()});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out.rfind(dir.dirText() + "caf$'\\351'.001\n" + dir.dirText() +
                                "caf$'\\351'.bat\nmorsela: " + dir.dirText() +
                                "caf$'\\351'.zip: 1 piece of 1 KiB in ",
                            0),
              0u)
        << run.out;
    EXPECT_EQ(run.out.find('\xe9'), std::string::npos);
}

}  // namespace
}  // namespace morsela
