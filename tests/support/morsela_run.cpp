#include "tests/support/morsela_run.h"

#include <cstdio>

#include "cli/morsela_app.h"

namespace morsela::test {
namespace {

std::string contentsOf(std::FILE* file) {
    std::fflush(file);
    std::rewind(file);
    std::string text;
    char buffer[4096];
    while (std::size_t n = std::fread(buffer, 1, sizeof buffer, file)) {
        text.append(buffer, n);
    }
    std::fclose(file);
    return text;
}

}  // namespace

MorselaRun runCommand(const std::vector<std::string>& args) {
    std::FILE* out = std::tmpfile();
    std::FILE* err = std::tmpfile();
    const int status = runMorsela(args, out, err);
    return {status, contentsOf(out), contentsOf(err)};
}

}  // namespace morsela::test
