#include "tests/support/another_user.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <filesystem>

#include "tests/support/child_process.h"

namespace morsela::test {

void asAnotherUser(const std::function<void()>& body) {
    ASSERT_EQ(runAsNobody([&] {
                  body();
                  return 0;
              }),
              0);
}

std::string stickyFolder(const TempDir& base) {
    namespace fs = std::filesystem;
    const fs::path shared = base.path() / "shared";
    fs::create_directory(shared);
    fs::permissions(base.path(), fs::perms::all);
    EXPECT_EQ(::chmod(shared.c_str(), 01777), 0);
    return shared.string() + "/";
}

}  // namespace morsela::test
