// A source of more than 4 GiB, split into pieces of 2 GiB and joined again, checked byte for
// byte. The source is sparse, and so are its pieces, so this costs little disk and time.
// Run it alone with: ctest --preset default -L large

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cstring>
#include <filesystem>
#include <memory>

#include "engine/join/join.h"
#include "engine/split.h"
#include "tests/support/recording_observer.h"
#include "tests/support/temp_dir.h"

namespace morsela {
namespace {

namespace fs = std::filesystem;

constexpr std::int64_t kGiB = 1024LL * 1024 * 1024;

// Compares `length` bytes of two files from the given offsets, a mebibyte at a time.
bool sameBytes(const std::string& a, std::int64_t offsetA, const std::string& b,
               std::int64_t offsetB, std::int64_t length) {
    const int fa = ::open(a.c_str(), O_RDONLY);
    const int fb = ::open(b.c_str(), O_RDONLY);
    constexpr std::int64_t kChunk = 1 << 20;
    auto bufA = std::make_unique<char[]>(kChunk);
    auto bufB = std::make_unique<char[]>(kChunk);
    bool same = fa >= 0 && fb >= 0;
    for (std::int64_t done = 0; same && done < length; done += kChunk) {
        const auto n = static_cast<size_t>(std::min(kChunk, length - done));
        same = ::pread(fa, bufA.get(), n, offsetA + done) == static_cast<ssize_t>(n) &&
               ::pread(fb, bufB.get(), n, offsetB + done) == static_cast<ssize_t>(n) &&
               std::memcmp(bufA.get(), bufB.get(), n) == 0;
    }
    ::close(fa);
    ::close(fb);
    return same;
}

TEST(LargeFile, SplitsAndJoinsBeyondFourGibibytes) {
    test::TempDir dir;
    const std::string source = dir / "huge.img";
    const std::int64_t length = 4 * kGiB + kGiB / 2;
    {
        const int fd = ::open(source.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::ftruncate(fd, length), 0);
        // Islands of data: at the start, across the first piece boundary, past 4 GiB, at the end.
        for (const std::int64_t at :
             {std::int64_t{0}, 2 * kGiB - 3000, 4 * kGiB + 12345, length - 5000}) {
            const std::string bytes = test::patternBytes(5000, static_cast<unsigned>(at));
            ASSERT_EQ(::pwrite(fd, bytes.data(), bytes.size(), at), 5000);
        }
        ::close(fd);
    }
    fs::create_directory(dir.path() / "out");
    test::RecordingObserver events;
    ASSERT_EQ(split({source, dir.dirText() + "out/", 2 * kGiB}, events).pieces, 3);

    EXPECT_EQ(fs::file_size(dir / "out/huge.001"), static_cast<std::uintmax_t>(2 * kGiB));
    EXPECT_EQ(fs::file_size(dir / "out/huge.002"), static_cast<std::uintmax_t>(2 * kGiB));
    EXPECT_EQ(fs::file_size(dir / "out/huge.003"), static_cast<std::uintmax_t>(kGiB / 2));
    EXPECT_TRUE(sameBytes(source, 0, dir / "out/huge.001", 0, 2 * kGiB));
    EXPECT_TRUE(sameBytes(source, 2 * kGiB, dir / "out/huge.002", 0, 2 * kGiB));
    EXPECT_TRUE(sameBytes(source, 4 * kGiB, dir / "out/huge.003", 0, kGiB / 2));
    EXPECT_EQ(events.progress.back(), (std::pair<std::int64_t, std::int64_t>{length, length}));

    struct stat status {};
    ::stat((dir / "out/huge.002").c_str(), &status);
    EXPECT_LT(status.st_blocks * 512, 64 * 1024 * 1024);  // the holes stayed holes

    fs::rename(source, dir / "original.img");
    EXPECT_EQ(join({.input = dir / "out/huge.bat"}, events).target, dir / "out/huge.img");
    EXPECT_EQ(fs::file_size(dir / "out/huge.img"), static_cast<std::uintmax_t>(length));
    EXPECT_TRUE(sameBytes(dir / "original.img", 0, dir / "out/huge.img", 0, length));
}

}  // namespace
}  // namespace morsela
