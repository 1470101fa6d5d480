// Moving a file to a name only while that name is free: what stands under it, put there by
// anyone at any moment, is never replaced.

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <cerrno>

#include "engine/os/directory.h"
#include "engine/os/fault_hooks.h"
#include "tests/support/temp_dir.h"

namespace morsela {
namespace {

ino_t inodeOf(const std::string& path) {
    struct stat status {};
    return ::lstat(path.c_str(), &status) == 0 ? status.st_ino : 0;
}

TEST(RenameToFree, MovesTheFileToAFreeName) {
    test::TempDir dir;
    test::writeFile(dir / "film.013", "damaged");
    const Directory folder(dir.dirText());
    EXPECT_TRUE(folder.renameToFree("film.013", "film.013.1"));
    EXPECT_EQ(test::readFile(dir / "film.013.1"), "damaged");
    EXPECT_EQ(inodeOf(dir / "film.013"), 0u);
}

TEST(RenameToFree, ATakenNameIsLeftAsItIs) {
    test::TempDir dir;
    test::writeFile(dir / "film.013", "damaged");
    test::writeFile(dir / "film.013.1", "another user's file");
    const Directory folder(dir.dirText());
    EXPECT_FALSE(folder.renameToFree("film.013", "film.013.1"));
    EXPECT_EQ(test::readFile(dir / "film.013.1"), "another user's file");
    EXPECT_EQ(test::readFile(dir / "film.013"), "damaged");
}

// A file system that cannot rename without replacing (EINVAL) gets a second name for the
// file instead, which never replaces either; the first name stays for the caller to rename
// over.
TEST(RenameToFree, WithoutRenameNoReplaceAHardLinkTakesTheName) {
    test::TempDir dir;
    test::writeFile(dir / "film.013", "damaged");
    const Directory folder(dir.dirText());
    sys::injectFault(1, EINVAL);
    EXPECT_TRUE(folder.renameToFree("film.013", "film.013.1"));
    EXPECT_EQ(sys::callsSinceInjection(), 2);  // the rename, then the link
    sys::injectFault(0, 0);
    EXPECT_EQ(inodeOf(dir / "film.013.1"), inodeOf(dir / "film.013"));
    EXPECT_EQ(test::readFile(dir / "film.013.1"), "damaged");

    test::writeFile(dir / "film.014", "damaged too");
    sys::injectFault(1, EINVAL);
    EXPECT_FALSE(folder.renameToFree("film.014", "film.013.1"));
    sys::injectFault(0, 0);
    EXPECT_EQ(test::readFile(dir / "film.013.1"), "damaged");
}

TEST(RenameToFree, AnyOtherFailureNamesTheFileAndItsReason) {
    test::TempDir dir;
    const Directory folder(dir.dirText());
    try {
        folder.renameToFree("missing", "missing.1");
        FAIL() << "renaming a missing file succeeded";
    } catch (const Error& error) {
        EXPECT_EQ(std::string(error.what()), dir / "missing" + ": No such file or directory");
    }
}

}  // namespace
}  // namespace morsela
