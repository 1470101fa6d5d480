#include <QApplication>
#include <cstdio>

#include "app/form1.h"
#include "app/icons/morsela_icon.h"
#include "split/os/file_calls.h"

namespace {

// Qt's own complaint about a missing display ends in an abort; say it plainly instead.
bool displayAvailable() {
    const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
    const bool needsServer =
        platform.isEmpty() || platform.startsWith("xcb") || platform.startsWith("wayland");
    return !needsServer || !qEnvironmentVariableIsEmpty("DISPLAY") ||
           !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

}  // namespace

int main(int argc, char** argv) {
    if (!displayAvailable()) {
        std::fputs(
            "morsela-win: no display to open the window on (DISPLAY is not set); "
            "the command line is morsela\n",
            stderr);
        return 1;
    }
    morsela::sys::reportFileSizeLimitAsFailure();

    QApplication app(argc, argv);
    QApplication::setApplicationName("Morsela Win");
    QApplication::setWindowIcon(morsela::morselaIcon());
    morsela::Form1 form;
    form.show();
    return app.exec();
}
