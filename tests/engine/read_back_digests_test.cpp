#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>
#include <chrono>
#include <string>
#include <thread>

#include "engine/checksum/read_back_digests.h"
#include "engine/checksum/sha256.h"
#include "engine/error.h"
#include "tests/support/temp_dir.h"

namespace morsela {
namespace {

std::string digestOf(const std::string& bytes) {
    Sha256 sha;
    sha.update(bytes.data(), bytes.size());
    return sha.hex();
}

FileHandle openWritten(const std::string& path) {
    return FileHandle(::open(path.c_str(), O_RDWR | O_CLOEXEC), path);
}

TEST(ReadBackDigests, EachEndGivesTheDigestOfTheRangesReadBackBeforeIt) {
    test::TempDir dir;
    const std::string bytes = test::patternBytes(5 * 1024 * 1024 + 17);
    test::writeFile(dir / "piece", bytes);
    const FileHandle file = openWritten(dir / "piece");
    ReadBackDigests digests(2);
    digests.add(file, 0, 1000);
    digests.add(file, 1000, 3 * 1024 * 1024);
    digests.end(0);
    digests.add(file, 1000 + 3 * 1024 * 1024,
                static_cast<std::int64_t>(bytes.size()) - 1000 - 3 * 1024 * 1024);
    digests.end(0);
    digests.end(1);
    const std::size_t first = 1000 + 3 * 1024 * 1024;
    EXPECT_EQ(digests.ended(0, true), (std::vector<std::string>{digestOf(bytes.substr(0, first)),
                                                                digestOf(bytes.substr(first))}));
    EXPECT_EQ(digests.ended(1, true), std::vector<std::string>{digestOf(bytes)});
}

// A file cut short by someone else while it is read back ends the reading with an Error that
// names it; it never ends the program with a signal, as reading it through a mapping did.
TEST(ReadBackDigests, AFileCutShortWhileReadBackIsAFailureNotASignal) {
    test::TempDir dir;
    const std::int64_t length = 64 * 1024 * 1024;
    for (int attempt = 0; attempt < 8; ++attempt) {
        test::writeFile(dir / "piece", std::string(static_cast<std::size_t>(length), 'x'));
        const FileHandle file = openWritten(dir / "piece");
        ReadBackDigests digests(1);
        digests.add(file, 0, length);
        digests.end(0);
        // At times while the reading has begun: it takes some 100 ms.
        std::this_thread::sleep_for(std::chrono::milliseconds(5 * attempt));
        ASSERT_EQ(::ftruncate(file.fd(), 4096 * (attempt + 1)), 0);
        try {
            const auto values = digests.ended(0, true);
            EXPECT_EQ(values, std::vector<std::string>{digestOf(std::string(length, 'x'))});
        } catch (const Error& error) {
            EXPECT_EQ(error.path(), dir / "piece");
            EXPECT_NE(error.reason().find("shorter"), std::string::npos) << error.reason();
        }
    }
}

}  // namespace
}  // namespace morsela
