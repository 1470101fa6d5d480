#pragma once

#include <functional>

namespace morsela::test {

// Runs `body` in a child process and returns its result (0 to 255), or -1 when the child did
// not exit normally. Used for what must not touch the test process: file size limits and
// dropped privileges.
int runInChild(const std::function<int()>& body);

// Inside a child: gives up root for the user nobody, so that permission bits apply (root
// ignores them). Returns false when that is not possible.
bool becomeNobody();

// True when this process can take another user's identity.
bool isRoot();

}  // namespace morsela::test
