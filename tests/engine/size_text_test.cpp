#include <gtest/gtest.h>

#include <clocale>

#include "engine/size_text.h"

namespace morsela {
namespace {

using Status = PieceSize::Status;

double Val(std::string_view text) {
    return leadingNumber(text).value;
}

// Kilobytes of 1024 bytes, as the window reads them.
constexpr SizeUnit kKilobytes[] = {{"", 1024.0}};

PieceSize kilobytes(std::string_view text) {
    return pieceSizeOf(leadingNumber(text).value * 1024.0);
}

std::int64_t bytesOf(std::string_view text) {
    const PieceSize size = kilobytes(text);
    EXPECT_EQ(size.status, Status::Ok) << text;
    return size.bytes;
}

TEST(SizeText, ReadsTheLeadingNumberSkippingBlanksTabsAndLineFeeds) {
    EXPECT_EQ(Val("40"), 40.0);
    EXPECT_EQ(Val("  4 0 KB"), 40.0);
    EXPECT_EQ(Val("\t1\n2"), 12.0);
    EXPECT_EQ(Val("1.5.5"), 1.5);
    EXPECT_EQ(Val(".5"), 0.5);
    EXPECT_EQ(Val("5."), 5.0);
    EXPECT_EQ(Val("+5"), 5.0);
    EXPECT_EQ(Val("-1"), -1.0);
    EXPECT_EQ(Val("1e3"), 1000.0);
    EXPECT_EQ(Val("1E+3"), 1000.0);
    EXPECT_EQ(Val("2e-1x"), 0.2);
    EXPECT_EQ(Val("3e"), 3.0);  // an exponent without digits is not part of the number
    EXPECT_EQ(Val("3e+x"), 3.0);
}

TEST(SizeText, TextWithoutALeadingNumberGivesZero) {
    EXPECT_EQ(Val(""), 0.0);
    EXPECT_EQ(Val("   "), 0.0);
    EXPECT_EQ(Val("abc"), 0.0);
    EXPECT_EQ(Val("."), 0.0);
    EXPECT_EQ(Val("-"), 0.0);
    EXPECT_EQ(Val("e5"), 0.0);
    EXPECT_EQ(Val("inf"), 0.0);
    EXPECT_EQ(Val("0x10"), 0.0);
    EXPECT_EQ(Val("\xd9\xa4"), 0.0);  // an Arabic-Indic digit four is no digit here
    EXPECT_EQ(Val(std::string_view("\0"
                                   "5",
                                   2)),
              0.0);
    EXPECT_EQ(Val(std::string_view("7\0"
                                   "5",
                                   3)),
              7.0);
}

TEST(SizeText, PointIsTheDecimalSeparatorWhateverTheLocale) {
    const char* previous = std::setlocale(LC_NUMERIC, "de_DE.UTF-8");
    EXPECT_EQ(Val("1.5"), 1.5);
    EXPECT_EQ(Val("1,5"), 1.0);
    if (previous != nullptr) {
        std::setlocale(LC_NUMERIC, "C");
    }
}

TEST(SizeText, KilobytesBecomeBytesRoundedHalfToEven) {
    EXPECT_EQ(bytesOf("40"), 40960);
    EXPECT_EQ(bytesOf("1.5"), 1536);
    EXPECT_EQ(bytesOf("0.0005"), 1);  // 0.512 bytes
    EXPECT_EQ(bytesOf("4 0"), 40960);
    EXPECT_EQ(bytesOf("0.00146484375"), 2);  // exactly 1.5 bytes: to the even 2
    EXPECT_EQ(bytesOf("0.00244140625"), 2);  // exactly 2.5 bytes: to the even 2
    EXPECT_EQ(bytesOf("9e15"), 9216000000000000000);
    EXPECT_EQ(bytesOf(std::string(9999, '0').append("1").c_str()), 1024);
}

TEST(SizeText, SizesBelowOneByteAreRefused) {
    for (const char* text : {"", "   ", "0", "-1", "0.0004", "abc", "-0.0005", "1e-400"}) {
        EXPECT_EQ(kilobytes(text).status, Status::TooSmall) << text;
    }
}

TEST(SizeText, SizesBeyondSixtyFourBitsAreRefused) {
    for (const char* text : {"1e16", "1e400", "9007199254740992"}) {
        EXPECT_EQ(kilobytes(text).status, Status::TooLarge) << text;
    }
    EXPECT_EQ(kilobytes(std::string(10000, '9')).status, Status::TooLarge);
}

TEST(SizeText, ANumberMustBeFollowedByExactlyOneOfTheUnitsGiven) {
    EXPECT_EQ(readPieceSize("4", kKilobytes).bytes, 4096);
    EXPECT_EQ(readPieceSize(" 4 ", kKilobytes).bytes, 4096);
    for (const char* text : {"4K", "4 x", "", "K", "4.5.5"}) {
        EXPECT_EQ(readPieceSize(text, kKilobytes).status, Status::BadUnit) << text;
    }
    EXPECT_EQ(readPieceSize("0", kKilobytes).status, Status::TooSmall);
    EXPECT_EQ(readPieceSize("1e300", kKilobytes).status, Status::TooLarge);
}

}  // namespace
}  // namespace morsela
