// The words both front ends use for sizes, counts and times: the window and the command line
// say the same size the same way.

#include <gtest/gtest.h>

#include <cstdint>

#include "words/human_text.h"

namespace morsela {
namespace {

TEST(RoughSize, RoundsToOneDecimalBelowAHundredAndCarriesToTheNextUnit) {
    EXPECT_EQ(roughSize(1), "1 byte");
    EXPECT_EQ(roughSize(1023), "1,023 bytes");
    EXPECT_EQ(roughSize(1024), "1 KiB");  // a whole number of the unit has no decimal
    EXPECT_EQ(roughSize(1536), "1.5 KiB");
    EXPECT_EQ(roughSize(65536), "64 KiB");
    EXPECT_EQ(roughSize(500000), "488 KiB");
    EXPECT_EQ(roughSize(1048545), "1.0 MiB");  // not "1024 KiB": rounding carries
    EXPECT_EQ(roughSize(1048575), "1.0 MiB");
    EXPECT_EQ(roughSize(1048576), "1 MiB");
    EXPECT_EQ(roughSize(765 * 1048576LL), "765 MiB");
    EXPECT_EQ(roughSize(1234567890), "1.1 GiB");
    EXPECT_EQ(roughSize(4 * 1073741824LL), "4 GiB");
    EXPECT_EQ(roughSize(INT64_MAX), "8.0 EiB");
}

TEST(ExactSize, ShowsTheLargestUnitThatGivesTheSizeExactly) {
    EXPECT_EQ(exactSize(1), "1 byte");
    EXPECT_EQ(exactSize(1536), "1.5 KiB");
    EXPECT_EQ(exactSize(1741), "1,741 bytes");
    EXPECT_EQ(exactSize(12345 * 1024), "12,345 KiB");
    EXPECT_EQ(exactSize(10 * 1048576 + 3 * 262144), "10.75 MiB");
    EXPECT_EQ(exactSize((std::int64_t{13} << 40) / 4), "3.25 TiB");
    EXPECT_EQ(exactSize(INT64_MAX), "9,223,372,036,854,775,807 bytes");
}

TEST(Counts, GroupThousandsAndAgreeInNumber) {
    EXPECT_EQ(countOf(1, "piece", "pieces"), "1 piece");
    EXPECT_EQ(countOf(0, "piece", "pieces"), "0 pieces");
    EXPECT_EQ(countOf(999, "piece", "pieces"), "999 pieces");
    EXPECT_EQ(countOf(51200, "piece", "pieces"), "51,200 pieces");
    EXPECT_EQ(groupedNumber(-1234567), "-1,234,567");
}

TEST(Times, ReadAsAClockAndShortJobsInTenthsOfASecond) {
    EXPECT_EQ(clockTime(5), "0:05");
    EXPECT_EQ(clockTime(59.6), "1:00");
    EXPECT_EQ(clockTime(3725), "1:02:05");
    EXPECT_EQ(clockTime(-1), "0:00");
    EXPECT_EQ(duration(0.42), "0.4 s");
    EXPECT_EQ(duration(59.94), "59.9 s");
    EXPECT_EQ(duration(59.96), "1:00");
    EXPECT_EQ(duration(75), "1:15");
}

}  // namespace
}  // namespace morsela
