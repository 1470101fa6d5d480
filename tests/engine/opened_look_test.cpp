// What an opened file looks like to the join: read through sys::, within a bounded number of
// bytes, and never by opening a device.

#include <gtest/gtest.h>

#include <cerrno>
#include <string>

#include "engine/join/opened_look.h"
#include "engine/os/fault_hooks.h"
#include "tests/support/temp_dir.h"

namespace morsela {
namespace {

TEST(OpenedLook, AScriptIsKnownByItsFirstCopyLineWithinTheFirstBytes) {
    const test::TempDir dir;
    const std::string copy = "copy /b a.001+a.002 a.zip\r\n";
    // What follows the first copy line is for the join to judge, and to name.
    test::writeFile(dir / "a.bat", copy + "del a.001\r\n");
    EXPECT_EQ(lookOfOpenedFile(dir / "a.bat"), OpenedLook::RejoinScript);
    // Comments of 60 KiB before it still leave room for it; of 70 KiB they do not.
    std::string comments;
    while (comments.size() < 60 * 1024) {
        comments += "rem " + std::string(60, '-') + "\r\n";
    }
    test::writeFile(dir / "a.bat", comments + copy);
    EXPECT_EQ(lookOfOpenedFile(dir / "a.bat"), OpenedLook::RejoinScript);
    comments += std::string(10 * 1024, ' ') + "\r\n";
    test::writeFile(dir / "a.bat", comments + copy);
    EXPECT_EQ(lookOfOpenedFile(dir / "a.bat"), OpenedLook::Neither);
}

TEST(OpenedLook, ADeviceIsNeverOpenedAndAFailedReadIsNeither) {
    sys::injectFault(0, 0);
    EXPECT_EQ(lookOfOpenedFile("/dev/null"), OpenedLook::Neither);
    EXPECT_EQ(sys::callsSinceInjection(), 1);  // looked at, not opened

    const test::TempDir dir;
    test::writeFile(dir / "a.bat", "copy /b a.001 a.zip\r\n");
    sys::injectFault(0, 0);
    EXPECT_EQ(lookOfOpenedFile(dir / "a.bat"), OpenedLook::RejoinScript);
    // The status by name, the open, the status of what was opened, two reads (the second
    // meets the end) and the close; the first read fails here.
    EXPECT_EQ(sys::callsSinceInjection(), 6);
    sys::injectFault(4, EIO);
    EXPECT_EQ(lookOfOpenedFile(dir / "a.bat"), OpenedLook::Neither);
    sys::injectFault(0, 0);
}

}  // namespace
}  // namespace morsela
