#include "tests/support/morsela_run.h"

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <cstdio>
#include <cstdlib>

#include "cli/morsela_app.h"
#include "tests/support/child_process.h"

namespace morsela::test {

MorselaRun runCommand(const std::vector<std::string>& args) {
    std::FILE* out = std::tmpfile();
    std::FILE* err = std::tmpfile();
    const int status = runMorsela(args, out, err);
    return {status, readAll(out), readAll(err)};
}

ProgramRun runProgram(const std::string& program, const std::vector<std::string>& args) {
    std::FILE* err = std::tmpfile();
    std::fflush(nullptr);
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(::fileno(err), STDERR_FILENO);
        std::vector<char*> argv{const_cast<char*>(program.c_str())};
        for (const auto& arg : args) {
            argv.push_back(const_cast<char*>(arg.c_str()));
        }
        argv.push_back(nullptr);
        ::execv(program.c_str(), argv.data());
        std::_Exit(127);
    }
    int status = 0;
    rusage usage{};
    ::wait4(pid, &status, 0, &usage);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, readAll(err), usage.ru_maxrss};
}

}  // namespace morsela::test
