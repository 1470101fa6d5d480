#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>

#include "engine/block_copier.h"
#include "engine/error.h"
#include "engine/os/fault_hooks.h"
#include "engine/os/file_calls.h"
#include "tests/support/temp_dir.h"

namespace morsela {
namespace {

// A target file for the copier, opened as a test would open any file.
FileHandle createOutput(const std::string& path) {
    return FileHandle(::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644), path);
}

TEST(BlockCopier, CopiesABlockAtTheGivenPositions) {
    test::TempDir dir;
    test::writeFile(dir / "source", test::patternBytes(5000));
    const FileHandle source = openSource(dir / "source");
    const FileHandle target = createOutput(dir / "target");
    BlockCopier copier(source);
    copier.copy(1000, target, 0, 3000);
    copier.copy(4000, target, 3000, 1000);
    EXPECT_EQ(test::readFile(dir / "target"), test::patternBytes(5000).substr(1000));
}

TEST(BlockCopier, ASourceThatEndsEarlyIsAFailureNotPadding) {
    test::TempDir dir;
    test::writeFile(dir / "source", test::patternBytes(100));
    const FileHandle source = openSource(dir / "source");
    const FileHandle target = createOutput(dir / "target");
    BlockCopier copier(source);
    try {
        copier.copy(50, target, 0, 100);
        FAIL() << "a copy past the end of the source succeeded";
    } catch (const Error& error) {
        EXPECT_NE(error.reason().find("shorter"), std::string::npos);
    }
}

TEST(BlockCopier, HolesOfASparseSourceStayHolesAndReadAsZeros) {
    test::TempDir dir;
    const std::string path = dir / "sparse";
    const std::int64_t length = 8 * kBufferBlock;
    {
        FileHandle file = createOutput(path);
        ASSERT_EQ(::ftruncate(file.fd(), length), 0);
        ASSERT_EQ(::pwrite(file.fd(), "data", 4, 3 * kBufferBlock + 10), 4);
    }
    const FileHandle source = openSource(path);
    const FileHandle target = createOutput(dir / "copy");
    BlockCopier copier(source);
    for (std::int64_t pos = 0; pos < length; pos += kBufferBlock) {
        copier.copy(pos, target, pos, kBufferBlock);
    }

    struct stat status {};
    ASSERT_EQ(::stat((dir / "copy").c_str(), &status), 0);
    EXPECT_EQ(status.st_size, length);
    EXPECT_LE(status.st_blocks * 512, 2 * kBufferBlock);  // only the block holding data
    EXPECT_EQ(test::readFile(dir / "copy"), test::readFile(path));
}

TEST(BlockCopier, WritesToDevicesThroughTheBufferAndReportsAFullDisk) {
    test::TempDir dir;
    test::writeFile(dir / "source", test::patternBytes(100));
    const FileHandle source = openSource(dir / "source");
    const FileHandle full = createOutput("/dev/full");
    BlockCopier copier(source);
    try {
        copier.copy(0, full, 0, 100);
        FAIL() << "writing to /dev/full succeeded";
    } catch (const Error& error) {
        EXPECT_EQ(error.kind(), Error::Kind::NoSpace);
        EXPECT_STREQ(error.what(), "/dev/full: No space left on device");
    }
}

TEST(FileCalls, AnInjectedFaultFailsExactlyTheChosenCall) {
    test::TempDir dir;
    test::writeFile(dir / "file", "abc");
    sys::injectFault(2, EIO);
    const int first = sys::open((dir / "file").c_str(), O_RDONLY);
    EXPECT_GE(first, 0);
    char c;
    EXPECT_EQ(sys::pread(first, &c, 1, 0), -1);
    EXPECT_EQ(errno, EIO);
    EXPECT_EQ(sys::pread(first, &c, 1, 0), 1);
    EXPECT_EQ(sys::callsSinceInjection(), 3);
    sys::injectFault(1, EIO);
    EXPECT_EQ(sys::close(first), -1);
    EXPECT_EQ(::fcntl(first, F_GETFD), -1);  // released all the same
    sys::injectFault(0, 0);
}

}  // namespace
}  // namespace morsela
