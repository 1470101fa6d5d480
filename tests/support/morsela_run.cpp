#include "tests/support/morsela_run.h"

#include <cstdio>

#include "cli/morsela_app.h"
#include "tests/support/child_process.h"

namespace morsela::test {

MorselaRun runCommand(const std::vector<std::string>& args) {
    std::FILE* out = std::tmpfile();
    std::FILE* err = std::tmpfile();
    const int status = runMorsela(args, out, err);
    return {status, readAll(out), readAll(err)};
}

}  // namespace morsela::test
