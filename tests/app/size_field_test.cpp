// The size field as people type into it: a number of kilobytes, read as the window has always
// read it, optionally followed by a unit the window counts in 1024s; everything else is
// refused with the window's own words, naming what was not understood.

#include <gtest/gtest.h>

#include <optional>

#include "app/size_field.h"
#include "engine/error.h"
#include "tests/support/tally.h"

namespace morsela {
namespace {

QString fromBytes(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

TEST(SizeField, TextsGiveTheirSizeOrARefusalThatSaysWhy) {
    constexpr const char* kMissing = "The size is missing";
    constexpr const char* kNotUnderstood = "is not understood; type the size in kilobytes";
    constexpr const char* kTooSmall = "gives pieces of less than one byte";
    constexpr const char* kTooLarge = "is too large for a piece size";
    struct Case {
        std::string text;
        std::optional<std::int64_t> bytes;  // empty: refused, with `why` in the reason
        const char* why = nullptr;
    };
    const Case cases[] = {
        // A plain number: kilobytes, as before.
        {"", {}, kMissing},
        {"   ", {}, kMissing},
        {"-1", {}, kTooSmall},
        {"0", {}, kTooSmall},
        {"0.0004", {}, kTooSmall},
        {"0.0005", 1},
        {"1e3", 1024000},
        {"1E+3", 1024000},
        {".5", 512},
        {"5.", 5120},
        {"+5", 5120},
        {"4 0", 40960},
        {"\t4\n0\t", 40960},
        {"1e-3", 1},
        {"- 3", {}, kTooSmall},
        {"1e400", {}, kTooLarge},
        {"9e15", 9216000000000000000},
        {"1e16", {}, kTooLarge},
        {std::string(10000, '7'), {}, kTooLarge},
        {"0." + std::string(9998, '0') + "1", {}, kTooSmall},
        // Units, in any letter case, blanks allowed.
        {"10K", 10240},
        {"10 KB", 10240},
        {"10kib", 10240},
        {"10 mb", 10485760},
        {"10MiB", 10485760},
        {"1.5g", 1610612736},
        {"1GiB", 1073741824},
        {"9e9G", {}, kTooLarge},
        // Anything else after the number is named, never dropped.
        {"12abc", {}, kNotUnderstood},
        {"1,5", {}, "write the decimals after a point: \"1.5\""},
        {"1.5.5", {}, kNotUnderstood},
        {"3e", {}, kNotUnderstood},
        {"10T", {}, kNotUnderstood},
        {"10B", {}, kNotUnderstood},
        {"10MBs", {}, kNotUnderstood},
        {"10 \xc2\xb5", {}, kNotUnderstood},
        {std::string("5\0"
                     "00",
                     4),
         {},
         kNotUnderstood},
        // No number at all: the size is missing.
        {"abc", {}, kMissing},
        {"MB", {}, kMissing},
        {"\xd9\xa5", {}, kMissing},      // an Arabic-Indic digit five
        {"\xef\xbc\x95", {}, kMissing},  // a full-width digit five
        {std::string("\0"
                     "5",
                     2),
         {},
         kMissing},
    };
    for (const Case& c : cases) {
        test::CaseTally tally("bad size texts");
        SCOPED_TRACE("size text \"" + c.text.substr(0, 40) + "\"");
        if (c.bytes) {
            EXPECT_EQ(pieceSizeFromField(fromBytes(c.text)), *c.bytes);
            continue;
        }
        try {
            pieceSizeFromField(fromBytes(c.text));
            ADD_FAILURE() << "accepted";
        } catch (const Error& error) {
            EXPECT_EQ(error.kind(), Error::Kind::Refused);
            EXPECT_EQ(error.path(), "");
            EXPECT_NE(error.reason().find(c.why), std::string::npos) << error.reason();
        }
    }
}

TEST(SizeField, ARefusalQuotesWhatWasNotUnderstoodAsTyped) {
    EXPECT_EQ(readSizeField("12 a b").problem,
              "\"a b\" in the size \"12 a b\" is not understood; type the size in kilobytes, "
              "such as 10240 for 10 MB");
    // A control character is shown as its picture rather than lost or acted on.
    EXPECT_TRUE(readSizeField(fromBytes(std::string("5\0"
                                                    "00",
                                                    4)))
                    .problem.startsWith("\"\u240000\" in the size \"5\u240000\""));
}

TEST(SizeField, TheTipSaysWhatTheTextIsReadAsAndThePiecesItMakes) {
    const std::int64_t twelveMiB = 12 * 1048576;
    EXPECT_EQ(sizeFieldTip("10240", twelveMiB), "= 10 MiB, 2 pieces");
    EXPECT_EQ(sizeFieldTip("10240", std::nullopt), "= 10 MiB");  // no file chosen
    EXPECT_EQ(sizeFieldTip("10240", 0), "= 10 MiB, 1 piece");    // an empty file is one piece
    EXPECT_EQ(sizeFieldTip("1", 1024000), "= 1 KiB, 1,000 pieces");
    EXPECT_EQ(sizeFieldTip("", twelveMiB), "Type the size in kilobytes, such as 10240 for 10 MB");
    EXPECT_EQ(sizeFieldTip("12abc", twelveMiB), readSizeField("12abc").problem);
}

}  // namespace
}  // namespace morsela
