// Files without a name, for pieces rebuilt for one join alone: none is ever seen in the
// folder, also where the file system has no O_TMPFILE and the file is named for a moment.

#include <gtest/gtest.h>

#include <cerrno>
#include <string>

#include "engine/error.h"
#include "engine/os/directory.h"
#include "engine/os/fault_hooks.h"
#include "engine/os/file_handle.h"
#include "engine/os/unnamed_file.h"
#include "tests/support/temp_dir.h"

namespace morsela {
namespace {

// Writes and reads back through the descriptor; the folder stays empty.
void expectUsableAndNameless(const FileHandle& file, const test::TempDir& dir) {
    writeFully(file, "rebuilt", 7, 0);
    char back[7] = {};
    ASSERT_EQ(readAt(file, back, 7, 0), 7);
    EXPECT_EQ(std::string(back, 7), "rebuilt");
    EXPECT_TRUE(test::namesIn(dir.path()).empty());
    EXPECT_EQ(statusOf(file).st_mode & 0777, 0600u);
}

TEST(UnnamedFile, HasNoNameInItsFolder) {
    const test::TempDir dir;
    const Directory folder(dir.path().string());
    expectUsableAndNameless(createUnnamed(folder, folder.path()), dir);
}

TEST(UnnamedFile, WithoutOTmpfileIsCreatedAndUnlinkedAtOnce) {
    const test::TempDir dir;
    const Directory folder(dir.path().string());
    sys::injectFault(1, EOPNOTSUPP);  // the O_TMPFILE open, as FAT answers it
    const FileHandle file = createUnnamed(folder, folder.path());
    sys::injectFault(0, 0);
    expectUsableAndNameless(file, dir);
}

TEST(UnnamedFile, AFolderThatCannotTakeFilesIsNamedWithTheReason) {
    const test::TempDir dir;
    const Directory folder(dir.path().string());
    sys::injectFault(1, EROFS);
    try {
        createUnnamed(folder, folder.path());
        sys::injectFault(0, 0);
        FAIL() << "a read-only folder took a file";
    } catch (const Error& error) {
        sys::injectFault(0, 0);
        EXPECT_EQ(error.path(), folder.path());
        EXPECT_NE(error.reason().find("Read-only"), std::string::npos) << error.reason();
    }
    EXPECT_TRUE(test::namesIn(dir.path()).empty());
}

}  // namespace
}  // namespace morsela
