#pragma once

#include <cstdio>
#include <functional>
#include <string>

namespace morsela::test {

// Runs `body` in a child process and returns its result (0 to 255), or -1 when the child did
// not exit normally. Used for what must not touch the test process: file size limits and
// dropped privileges.
int runInChild(const std::function<int()>& body);

// Runs `body` in a child process as the user nobody when the tests run as root (so that
// permission bits apply: root ignores them), else as this user. Returns the body's result,
// 2 when nobody's identity could not be taken, or -1 when the child did not exit normally.
int runAsNobody(const std::function<int()>& body);

// True when this process can take another user's identity.
bool isRoot();

// Everything written to `file` so far, read from its start; the file is closed.
std::string readAll(std::FILE* file);

}  // namespace morsela::test
