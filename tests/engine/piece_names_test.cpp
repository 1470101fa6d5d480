#include <gtest/gtest.h>

#include "engine/piece_names.h"

namespace morsela {
namespace {

TEST(PieceNames, NumbersArePaddedToThreeDigitsAndGrowPastThem) {
    const std::pair<std::int64_t, const char*> cases[] = {
        {1, "001"},   {9, "009"},   {10, "010"},    {99, "099"},
        {100, "100"}, {999, "999"}, {1000, "1000"}, {123456789012, "123456789012"}};
    for (const auto& [count, text] : cases) {
        EXPECT_EQ(pieceNumberText(count), text);
    }
}

TEST(PieceNames, TheLastThreeCharactersGiveWayWhateverTheyAre) {
    EXPECT_EQ(pieceName("archive.zip", "001"), "archive.001");
    EXPECT_EQ(pieceName("data.bin", "1000"), "data.1000");
    EXPECT_EQ(pieceName("data.tar.gz", "001"), "data.tar001");
    EXPECT_EQ(pieceName("README", "001"), "REA001");
    EXPECT_EQ(pieceName("abc", "002"), "002");
    EXPECT_EQ(ruleScriptName("data.tar.gz"), "data.tarbat");
    EXPECT_EQ(ruleScriptName("README"), "REAbat");
}

TEST(PieceNames, TheScriptEndsInDotBatSoThatTheInterpreterRunsIt) {
    // Where the rule gives a name ending in ".bat", the script keeps it.
    EXPECT_EQ(scriptName("notes.txt"), "notes.bat");
    EXPECT_EQ(scriptName("x.bat.zip"), "x.bat.bat");
    // Elsewhere it is named after the whole source: pieces keep their names all the same.
    EXPECT_EQ(scriptName("report.docx"), "report.docx.bat");
    EXPECT_EQ(scriptName("photo.jpeg"), "photo.jpeg.bat");
    EXPECT_EQ(scriptName("x.7z"), "x.7z.bat");
    EXPECT_EQ(scriptName("data.tar.gz"), "data.tar.gz.bat");
    EXPECT_EQ(scriptName("README"), "README.bat");
    EXPECT_EQ(scriptName("abc"), "abc.bat");
    EXPECT_EQ(pieceName("report.docx", "001"), "report.d001");
}

TEST(PieceNames, ANameOfFewerThanThreeCharactersHasNoPieceNames) {
    EXPECT_THROW(pieceName("ab", "001"), std::invalid_argument);
    EXPECT_THROW(scriptName(""), std::invalid_argument);
}

TEST(PieceNames, PieceCountCoversTheWholeSourceAndNeverAnEmptyExtraPiece) {
    EXPECT_EQ(piecesFor(100000, 40960), 3);
    EXPECT_EQ(piecesFor(81920, 40960), 2);
    EXPECT_EQ(piecesFor(0, 40960), 1);
    EXPECT_EQ(piecesFor(1, 1), 1);
    EXPECT_EQ(piecesFor(INT64_MAX, 1), INT64_MAX);
}

}  // namespace
}  // namespace morsela
