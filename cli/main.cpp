#include <csignal>
#include <cstdio>

#include "cli/morsela_app.h"
#include "cli/stop_signal.h"

int main(int argc, char** argv) {
    // A file size limit is reported as "Disk Full" through EFBIG, not by a signal.
    std::signal(SIGXFSZ, SIG_IGN);
    morsela::installStopSignals();
    return morsela::runMorsela({argv + 1, argv + argc}, stdout, stderr);
}
