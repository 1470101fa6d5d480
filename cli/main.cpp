#include <cstdio>

#include "cli/morsela_app.h"
#include "cli/stop_signal.h"
#include "engine/os/file_calls.h"

int main(int argc, char** argv) {
    morsela::sys::reportFileSizeLimitAsFailure();
    morsela::installStopSignals();
    return morsela::runMorsela({argv + 1, argv + argc}, stdout, stderr);
}
