#include <gtest/gtest.h>

#include "engine/error.h"
#include "engine/script/script_parser.h"
#include "engine/script/script_words.h"
#include "engine/script/script_writer.h"

namespace morsela {
namespace {

// The whole script the split writes for these pieces, line ends included.
std::string scriptFor(const std::vector<std::string>& pieces, const std::string& source) {
    std::string text;
    RejoinLines lines(source, [&](std::string_view line) { text += line; });
    for (const auto& piece : pieces) {
        lines.appendPiece(piece);
    }
    lines.finish();
    return text;
}

std::vector<std::string> numbered(const std::string& prefix, int count) {
    std::vector<std::string> names;
    for (int n = 1; n <= count; ++n) {
        std::string number = std::to_string(n);
        names.push_back(prefix + std::string(number.size() < 3 ? 3 - number.size() : 0, '0') +
                        number);
    }
    return names;
}

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    for (std::size_t pos = 0; pos < text.size();) {
        const std::size_t end = text.find("\r\n", pos);
        lines.push_back(text.substr(pos, end - pos));
        pos = end + 2;
    }
    return lines;
}

TEST(RejoinScript, OrdinaryNamesGiveOneLineEndedByCarriageReturnLineFeed) {
    EXPECT_EQ(scriptFor({"archive.001", "archive.002", "archive.003"}, "archive.zip"),
              "copy /b archive.001+archive.002+archive.003 archive.zip\r\n");
    EXPECT_EQ(scriptFor({"notes.001"}, "notes.txt"), "copy /b notes.001 notes.txt\r\n");
    EXPECT_EQ(scriptWord("-odd_name#$@.x"), "-odd_name#$@.x");
}

TEST(RejoinScript, NamesTheInterpreterWouldMisreadAreQuoted) {
    for (char c : std::string(" &()[]{}^=;!'+,~`")) {
        const std::string name = std::string("a") + c + "b";
        EXPECT_EQ(scriptWord(name), '"' + name + '"') << c;
        EXPECT_EQ(unscriptableReason(name), "") << c;
    }
    EXPECT_EQ(scriptFor({"my file.001", "my file.002"}, "my file.zip"),
              "copy /b \"my file.001\"+\"my file.002\" \"my file.zip\"\r\n");
}

TEST(RejoinScript, PercentSignsAreDoubled) {
    EXPECT_EQ(scriptWord("100%.zip"), "100%%.zip");
    EXPECT_EQ(scriptWord("100% a.zip"), "\"100%% a.zip\"");
}

TEST(RejoinScript, NamesNoScriptOrWindowsCanCarryAreRefusedWithAReason) {
    EXPECT_EQ(unscriptableReason("plain name.zip"), "");
    EXPECT_EQ(unscriptableReason("\xc3\xa9t\xc3\xa9.zip"), "");
    for (const char* name : {"say \"hi\".zip", "tab\there.zip", "line\nbreak", "del\x7f"}) {
        EXPECT_NE(unscriptableReason(name).find("quote or control"), std::string::npos) << name;
    }
    for (const char* name :
         {"a*b.zip", "what?.zip", "back\\slash.zip", "a:b.zip", "a<b.zip", "a>b.zip", "a|b.zip"}) {
        EXPECT_NE(unscriptableReason(name).find("rename the file"), std::string::npos) << name;
    }
}

TEST(RejoinScript, NamesBeyondAsciiSwitchTheInterpreterToUtf8First) {
    EXPECT_EQ(scriptFor({"r\xc3\xa9sum\xc3\xa9.001"}, "r\xc3\xa9sum\xc3\xa9.pdf"),
              "@chcp 65001>nul\r\ncopy /b r\xc3\xa9sum\xc3\xa9.001 r\xc3\xa9sum\xc3\xa9.pdf\r\n");
    EXPECT_EQ(scriptFor({"plain.001"}, "plain.zip").find("chcp"), std::string::npos);
}

TEST(RejoinScript, LongScriptsAreCutIntoLinesThatAppendToTheTarget) {
    // 681 pieces of archive.zip still fit one line of at most 8191 characters; more do not.
    const std::string one = scriptFor(numbered("archive.", 681), "archive.zip");
    ASSERT_EQ(linesOf(one).size(), 1u);
    EXPECT_LE(linesOf(one)[0].size(), kLineMax);

    const auto pieces = numbered("archive.", 1800);
    const std::string text = scriptFor(pieces, "archive.zip");
    const auto lines = linesOf(text);
    ASSERT_EQ(lines.size(), 3u);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        EXPECT_LE(lines[i].size(), kLineMax);
        EXPECT_EQ(lines[i].substr(lines[i].size() - 12), " archive.zip");
        EXPECT_EQ(lines[i].substr(0, 20), i == 0 ? "copy /b archive.001+" : "copy /b archive.zip+");
    }
    // A line is only cut where the next piece would not fit.
    EXPECT_GT(lines[0].size() + 12, kLineMax);
    const RejoinCommand command = parseRejoinScript(text);
    EXPECT_EQ(command.pieces, pieces);
    EXPECT_EQ(command.target, "archive.zip");
}

TEST(RejoinScript, ParsingGivesBackWhatTheSplitWrote) {
    const std::vector<std::string> pieces = {"50% off (1).001", "50% off (1).002"};
    const RejoinCommand command = parseRejoinScript(scriptFor(pieces, "50% off (1).zip"));
    EXPECT_EQ(command.pieces, pieces);
    EXPECT_EQ(command.target, "50% off (1).zip");
}

TEST(RejoinScript, ScriptsWrittenByHandOrOtherToolsAreReadAsTheInterpreterReadsThem) {
    const std::vector<std::string> ab = {"a.001", "a.002"};
    for (const char* text : {
             "copy /b a.001+a.002 a.bin\n",
             "COPY /B a.001+a.002 a.bin\r\n",
             "  copy\t/b   a.001 +\t a.002    a.bin  \r",
             "\xEF\xBB\xBF@echo off\r\n\r\nrem joins the file\r\n:: comment\r\n"
             "echo Joining...\r\n@chcp 65001>nul\r\nchcp 850 > NUL\r\n"
             "copy /b \"a.001\"+a.002 \"a.bin\"\r\npause\r\n",
             "copy /b a.001 a.bin\r\ncopy /b a.bin+a.002 a.bin\r\n",
             "copy /b a.001 a.bin\r\nCOPY /b A.BIN + a.002 a.bin",
         }) {
        const RejoinCommand command = parseRejoinScript(text);
        EXPECT_EQ(command.pieces, ab) << text;
        EXPECT_EQ(command.target, "a.bin") << text;
    }
}

TEST(RejoinScript, AnythingElseIsRefusedNamingTheLine) {
    for (const char* text :
         {"", "\r\n", "del *.*\r\n", "copy /b\r\n", "copy /b a.001\r\n", "copy a.001 a.bin\r\n",
          "copy /b a.001+ a.bin\r\n", "copy /b a.001 a.bin\r\ndel x\r\n",
          "copy /b \"a.001 a.bin\r\n", "copy /b a%1.001 a.bin", "copy /b a.001 a.bin extra",
          "copy /b a.001 a.bin\r\ncopy /b a.002 b.bin\r\n",
          "copy /b a.001 a.bin\r\ncopy /b a.002 a.bin\r\n", "echo x > a.001\r\ncopy /b a.001 a.bin",
          "copy /b a&b.001 a.bin", "chcp 65001 & del x\r\ncopy /b a.001 a.bin"}) {
        EXPECT_THROW(parseRejoinScript(text), Error) << text;
    }
    try {
        parseRejoinScript("@echo off\r\ncopy /b a.001 a.bin\r\nformat c:\r\n");
        ADD_FAILURE() << "a script with format in it was accepted";
    } catch (const Error& error) {
        EXPECT_NE(error.reason().find("line 3"), std::string::npos) << error.reason();
    }
}

TEST(RejoinScript, LinesMayArriveInAnyPortions) {
    const std::string text = "@echo off\r\ncopy /b a.001+a.002 a.bin\r\n";
    std::vector<std::string> pieces;
    RejoinParser parser([&](const std::string& piece, const std::string& target) {
        EXPECT_EQ(target, "a.bin");  // known before the pieces
        pieces.push_back(piece);
    });
    for (char c : text) {
        parser.feed(std::string_view(&c, 1));  // CR and LF in separate portions
    }
    EXPECT_EQ(parser.finish(), "a.bin");
    EXPECT_EQ(pieces, (std::vector<std::string>{"a.001", "a.002"}));
}

TEST(RejoinScript, ALineLongerThanTheInterpreterReadsIsRefusedWithoutBeingKept) {
    std::size_t pieces = 0;
    RejoinParser parser([&](const std::string&, const std::string&) { ++pieces; });
    const std::string names(4096, 'x');
    EXPECT_THROW(
        for (int i = 0; i < 1000; ++i) { parser.feed("copy /b " + names); }, Error);
    EXPECT_EQ(pieces, 0u);
}

}  // namespace
}  // namespace morsela
