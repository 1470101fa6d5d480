#include "tests/support/child_process.h"

#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>
#include <cstdlib>

namespace morsela::test {

int runInChild(const std::function<int()>& body) {
    std::fflush(nullptr);  // nothing buffered is written twice
    const pid_t pid = ::fork();
    if (pid == 0) {
        int result = 255;
        try {
            result = body();
        } catch (...) {
        }
        std::_Exit(result);
    }
    int status = 0;
    if (pid < 0 || ::waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) {
        return -1;
    }
    return WEXITSTATUS(status);
}

int runAsNobody(const std::function<int()>& body) {
    return runInChild([&] {
        constexpr uid_t kNobody = 65534;
        if (isRoot() &&
            (::setgroups(0, nullptr) != 0 || ::setgid(kNobody) != 0 || ::setuid(kNobody) != 0)) {
            return 2;
        }
        return body();
    });
}

bool isRoot() {
    return ::geteuid() == 0;
}

std::string readAll(std::FILE* file) {
    std::fflush(file);
    std::rewind(file);
    std::string text;
    char buffer[4096];
    while (const std::size_t n = std::fread(buffer, 1, sizeof buffer, file)) {
        text.append(buffer, n);
    }
    std::fclose(file);
    return text;
}

}  // namespace morsela::test
