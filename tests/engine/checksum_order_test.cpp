// A checksum file's piece lines say which pieces make the file, in which order: a script that
// leaves one out, or joins two the other way round, is refused by join and verify alike,
// naming the piece, before anything is written.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "engine/join/join.h"
#include "engine/join/verify.h"
#include "engine/split.h"
#include "tests/support/recording_observer.h"
#include "tests/support/temp_dir.h"

namespace morsela {
namespace {

namespace fs = std::filesystem;
using test::TempDir;

class ChecksumOrder : public ::testing::Test {
  protected:
    void splitInto(std::int64_t length, std::int64_t pieceSize) {
        source = test::patternBytes(length, 4);
        test::writeFile(in / "g.bin", source);
        ASSERT_TRUE(
            test::attempt([&] {
                return split({in / "g.bin", out.dirText(), pieceSize, 0, true, 0, false}, events);
            }).outcome);
    }

    std::string verified() {
        return test::attempt([&] { return verify(out / "g.bat", events); }).text();
    }

    test::Attempt<JoinOutcome> joined() {
        return test::attempt([&] { return join({out / "g.bat", in / "joined"}, events); });
    }

    TempDir in;
    TempDir out;
    test::RecordingObserver events;
    std::string source;
};

TEST_F(ChecksumOrder, AScriptThatLeavesAPieceOutIsRefused) {
    splitInto(3000, 1024);
    for (const char* script : {"copy /b g.001+g.003 g.bin\r\n", "copy /b g.002+g.003 g.bin\r\n"}) {
        SCOPED_TRACE(script);
        test::writeFile(out / "g.bat", script);
        const std::string left =
            std::string(script).find("g.001") == std::string::npos ? out / "g.001" : out / "g.002";
        const std::string expected = left + ": is a piece that the script leaves out";
        EXPECT_NE(verified().find(expected), std::string::npos) << verified();
        const auto join = joined();
        EXPECT_NE(join.text().find(expected), std::string::npos) << join.text();
        EXPECT_FALSE(fs::exists(in / "joined"));
        EXPECT_EQ(test::namesIn(in.path()), std::vector<std::string>{"g.bin"});
    }
}

TEST_F(ChecksumOrder, AScriptThatJoinsPiecesInAnotherOrderIsRefused) {
    splitInto(3000, 1024);
    test::writeFile(out / "g.bat", "copy /b g.002+g.001+g.003 g.bin\r\n");
    const std::string expected = "lists g.002 after g.001, but the script joins it before";
    EXPECT_NE(verified().find(expected), std::string::npos) << verified();
    EXPECT_NE(joined().text().find(expected), std::string::npos);
    EXPECT_FALSE(fs::exists(in / "joined"));
}

// `sha256sum g.*` lists g.1000 between g.100 and g.101; the script joins them by number.
TEST_F(ChecksumOrder, LinesSortedByNameAsSha256sumListsThemStillServe) {
    splitInto(1001, 1);
    std::istringstream lines(test::readFile(out / "g.bin.sha256"));
    std::vector<std::string> pieces;
    std::string target;
    for (std::string line; std::getline(lines, line);) {
        (line.ends_with(" g.bin") ? target : pieces.emplace_back()) = line;
    }
    ASSERT_EQ(pieces.size(), 1001u);
    std::sort(pieces.begin(), pieces.end(), [](const std::string& a, const std::string& b) {
        return a.substr(66) < b.substr(66);
    });
    ASSERT_EQ(pieces[100].substr(66), "g.1000");
    std::string sorted;
    for (const std::string& line : pieces) {
        sorted += line + "\n";
    }
    test::writeFile(out / "g.bin.sha256", sorted + target + "\n");
    EXPECT_EQ(verified(), "");
    const auto join = joined();
    ASSERT_TRUE(join.outcome) << join.text();
    EXPECT_EQ(test::readFile(in / "joined"), source);
}

}  // namespace
}  // namespace morsela
