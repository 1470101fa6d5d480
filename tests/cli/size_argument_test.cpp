#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cctype>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "cli/size_argument.h"
#include "tests/support/temp_dir.h"

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
         {"10x", "2 MBytes", "M", "", "1mb", "1kb", "1KIB", "1bB", "1.5.5M", "abc"}) {
        EXPECT_EQ(sizeArgument(text).status, PieceSize::Status::BadUnit) << text;
    }
    EXPECT_EQ(sizeArgument("0M").status, PieceSize::Status::TooSmall);
    EXPECT_EQ(sizeArgument("9e9T").status, PieceSize::Status::TooLarge);
}

// What the standard split tool says of `-b 1SUFFIX` for each of `suffixes`, on a file of
// `length` bytes in `dir`: the size of its first piece, 0 for a size too large, -1 for a
// suffix it does not read. One shell runs them all; "-a 1" stops a split at 26 pieces.
std::map<std::string, std::int64_t> splitToolReads(const test::TempDir& dir,
                                                   const std::vector<std::string>& suffixes,
                                                   std::int64_t length) {
    std::string command = "cd '" + dir.path().string() + "' && truncate -s " +
                          std::to_string(length) + " f && for s in";
    for (const std::string& suffix : suffixes) {
        command += " '" + suffix + "'";
    }
    command +=
        "; do rm -f x?; out=$(LC_ALL=C split -a 1 -b \"1$s\" f x 2>&1); "
        "if [ -e xa ]; then echo \"$s $(stat -c %s xa)\"; "
        "else case \"$out\" in *'too large'*) echo \"$s 0\";; *) echo \"$s -1\";; esac; fi; "
        "done";
    std::FILE* pipe = ::popen(command.c_str(), "r");
    std::map<std::string, std::int64_t> reads;
    char line[256];
    while (std::fgets(line, sizeof line, pipe) != nullptr) {
        std::string text(line);
        const std::size_t blank = text.find(' ');
        reads[text.substr(0, blank)] = std::stoll(text.substr(blank + 1));
    }
    ::pclose(pipe);
    return reads;
}

// Every suffix the system's own split reads is read with its meaning, and no other but the
// bare number (kilobytes), g and t.
TEST(SizeArgument, ReadsEverySuffixOfTheStandardSplitToolAsItDoes) {
    if (std::system("split --version >/dev/null 2>&1 && truncate --version >/dev/null") != 0) {
        GTEST_SKIP() << "the standard split tool is not installed";
    }
    test::TempDir dir;
    const std::int64_t length = 1100000;  // longer than a MB and a MiB: one piece tells its size
    std::vector<std::string> suffixes;
    for (char letter = 'A'; letter <= 'z'; ++letter) {
        for (const char* second : {"", "B", "iB", "D"}) {
            if (std::isalpha(letter)) {
                suffixes.push_back(std::string(1, letter) + second);
            }
        }
    }
    const auto reads = splitToolReads(dir, suffixes, length);
    ASSERT_EQ(reads.size(), suffixes.size());
    for (const auto& [suffix, tool] : reads) {
        const PieceSize ours = sizeArgument("1" + suffix);
        if (suffix == "g" || suffix == "t") {
            EXPECT_EQ(ours.bytes, sizeArgument("1" + std::string(1, suffix[0] - 32)).bytes);
        } else if (tool < 0) {
            EXPECT_EQ(ours.status, PieceSize::Status::BadUnit) << suffix;
        } else if (tool == 0) {
            EXPECT_EQ(ours.status, PieceSize::Status::TooLarge) << suffix;
        } else {
            ASSERT_EQ(ours.status, PieceSize::Status::Ok) << suffix;
            EXPECT_EQ(std::min(ours.bytes, length), tool) << suffix;
        }
    }
    EXPECT_EQ(reads.at("b"), 512);
    EXPECT_EQ(sizeArgument("2b").bytes, 1024);
    EXPECT_EQ(sizeArgument("1P").bytes, std::int64_t{1} << 50);
    EXPECT_EQ(sizeArgument("1E").bytes, std::int64_t{1} << 60);
    EXPECT_EQ(sizeArgument("8E").status, PieceSize::Status::TooLarge);  // 2^63
}

}  // namespace
}  // namespace morsela
