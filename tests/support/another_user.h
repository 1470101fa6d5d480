#pragma once

#include <functional>
#include <string>

#include "tests/support/temp_dir.h"

namespace morsela::test {

// Runs `body` as nobody when the tests run as root, else as this user (runAsNobody), and
// fails the test when it does not end well.
void asAnotherUser(const std::function<void()>& body);

// A folder "shared" in `base` that anyone writes in and only a file's owner may remove from
// (1777), as /tmp; its path, ending in '/'.
std::string stickyFolder(const TempDir& base);

}  // namespace morsela::test
