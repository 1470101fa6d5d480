#include <gtest/gtest.h>

#include "split/rejoin_script.h"
#include "split/split_error.h"
#include "tests/support/temp_dir.h"

namespace morsela {
namespace {

std::string lineFor(const std::vector<std::string>& pieces, const std::string& source) {
    RejoinLine line;
    for (const auto& piece : pieces) {
        line.appendPiece(piece);
    }
    line.finish(source);
    return line.text();
}

TEST(RejoinScript, OrdinaryNamesAreWrittenAsTheyAre) {
    EXPECT_EQ(lineFor({"archive.001", "archive.002", "archive.003"}, "archive.zip"),
              "copy /b archive.001+archive.002+archive.003 archive.zip");
    EXPECT_EQ(lineFor({"notes.001"}, "notes.txt"), "copy /b notes.001 notes.txt");
    EXPECT_EQ(scriptWord("-odd\\name_#$@.x"), "-odd\\name_#$@.x");
}

TEST(RejoinScript, NamesTheInterpreterWouldMisreadAreQuoted) {
    for (char c : std::string(" &()[]{}^=;!'+,~<>|`")) {
        const std::string name = std::string("a") + c + "b";
        EXPECT_EQ(scriptWord(name), '"' + name + '"') << c;
    }
    EXPECT_EQ(lineFor({"my file.001", "my file.002"}, "my file.zip"),
              "copy /b \"my file.001\"+\"my file.002\" \"my file.zip\"");
}

TEST(RejoinScript, PercentSignsAreDoubled) {
    EXPECT_EQ(scriptWord("100%.zip"), "100%%.zip");
    EXPECT_EQ(scriptWord("100% a.zip"), "\"100%% a.zip\"");
}

TEST(RejoinScript, QuotesAndControlCharactersCannotBeNamed) {
    EXPECT_TRUE(scriptCanName("plain name.zip"));
    EXPECT_TRUE(scriptCanName("\xc3\xa9t\xc3\xa9.zip"));
    EXPECT_FALSE(scriptCanName("say \"hi\".zip"));
    EXPECT_FALSE(scriptCanName("tab\there.zip"));
    EXPECT_FALSE(scriptCanName("line\nbreak"));
    EXPECT_FALSE(scriptCanName("del\x7f"));
}

TEST(RejoinScript, TheScriptFileIsTheLineAndCarriageReturnLineFeed) {
    test::TempDir dir;
    writeRejoinScript(dir / "notes.bat", "copy /b notes.001 notes.txt");
    EXPECT_EQ(test::readFile(dir / "notes.bat"), "copy /b notes.001 notes.txt\r\n");
    writeRejoinScript(dir / "notes.bat", "copy /b a.001 a.txt");  // replaces, never appends
    EXPECT_EQ(test::readFile(dir / "notes.bat"), "copy /b a.001 a.txt\r\n");
}

TEST(RejoinScript, ParsingGivesBackWhatTheSplitWrote) {
    const std::vector<std::string> pieces = {"50% off (1).001", "50% off (1).002"};
    const RejoinCommand command = parseRejoinScript(lineFor(pieces, "50% off (1).zip") + "\r\n");
    EXPECT_EQ(command.pieces, pieces);
    EXPECT_EQ(command.target, "50% off (1).zip");

    const RejoinCommand plain = parseRejoinScript("copy /b a.001+a.002 a.bin\n");
    EXPECT_EQ(plain.pieces, (std::vector<std::string>{"a.001", "a.002"}));
    EXPECT_EQ(plain.target, "a.bin");
}

TEST(RejoinScript, AnythingButARejoinLineIsRefused) {
    for (const char* text :
         {"", "\r\n", "del *.*\r\n", "copy /b\r\n", "copy /b a.001\r\n", "copy /b a.001+ a.bin\r\n",
          "copy /b a.001 a.bin\r\ndel x\r\n", "copy /b \"a.001 a.bin\r\n", "copy /b a%1.001 a.bin",
          "copy /b a.001 a.bin extra"}) {
        EXPECT_THROW(parseRejoinScript(text), SplitError) << text;
    }
}

}  // namespace
}  // namespace morsela
