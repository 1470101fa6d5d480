#include "tests/engine/recovery/par2_judge.h"

#include <sys/wait.h>

#include <cstdlib>
#include <iostream>

#include "tests/support/temp_dir.h"

namespace morsela::recovery {

bool par2Available() {
    return std::system("command -v par2 >/dev/null 2>&1") == 0;
}

int runPar2(const test::TempDir& dir, const std::string& verb, const std::string& index) {
    const std::string command =
        "cd '" + dir.path().string() + "' && par2 " + verb + " -q '" + index + "' >par2.log 2>&1";
    const int status = std::system(command.c_str());
    const int code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    if (code != 0) {
        std::cerr << test::readFile(dir / "par2.log");
    }
    std::remove((dir / "par2.log").c_str());
    return code;
}

}  // namespace morsela::recovery
