#include "cli/command.h"

#include <unistd.h>

namespace morsela {

int Command::runEngine(TerminalObserver& terminal, const std::function<int()>& work) {
    try {
        return work();
    } catch (const Error& error) {
        terminal.failed(error);
        return error.kind() == Error::Kind::Stopped ? kExitStopped : kExitFailed;
    } catch (const std::exception& error) {  // out of memory, for one
        terminal.failed(Error(Error::Kind::Other, "", error.what()));
    }
    return kExitFailed;
}

TerminalObserver Command::terminalFor(std::FILE* out, std::FILE* err, bool listFiles, bool quiet,
                                      bool force) {
    return TerminalObserver(out, err, {::isatty(::fileno(err)) == 1, listFiles, quiet, force});
}

}  // namespace morsela
