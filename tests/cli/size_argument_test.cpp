#include <gtest/gtest.h>

#include "cli/size_argument.h"

namespace morsela {
namespace {

TEST(SizeArgument, ReadsTheUnitsOfTheStandardTools) {
    const std::pair<const char*, std::int64_t> sizes[] = {
        {"40", 40960},       {"1.5K", 1536},        {"1.5 K", 1536},       {"25M", 26214400},
        {"25MiB", 26214400}, {"2G", 2147483648},    {"1T", 1099511627776}, {"1KiB", 1024},
        {"2KB", 2000},       {"4.7GB", 4700000000}, {"1MB", 1000000},      {"1TB", 1000000000000},
        {"1e3", 1024000},    {"0.5K", 512},         {"1k", 1024},          {"3m", 3145728},
        {"1g", 1073741824},  {"1t", 1099511627776}, {"5kB", 5000},
    };
    for (const auto& [text, bytes] : sizes) {
        const PieceSize size = sizeArgument(text);
        EXPECT_EQ(size.status, PieceSize::Status::Ok) << text;
        EXPECT_EQ(size.bytes, bytes) << text;
    }
    for (const char* text :
         {"10x", "2 MBytes", "M", "", "1mb", "1mB", "1kb", "1kiB", "1.5.5M", "abc"}) {
        EXPECT_EQ(sizeArgument(text).status, PieceSize::Status::BadUnit) << text;
    }
    EXPECT_EQ(sizeArgument("0M").status, PieceSize::Status::TooSmall);
    EXPECT_EQ(sizeArgument("9e9T").status, PieceSize::Status::TooLarge);
}

}  // namespace
}  // namespace morsela
