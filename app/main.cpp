#include <QApplication>
#include <cstdio>

#include "app/form1.h"
#include "app/icons/morsela_icon.h"
#include "app/join/join_window.h"
#include "app/join/opened_file.h"
#include "app/window_arguments.h"
#include "engine/os/file_calls.h"

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
    using morsela::WindowArguments;
    const WindowArguments answered = morsela::answerBeforeDisplay(argc, argv, stdout);
    if (answered.action == WindowArguments::Action::Exit) {
        return std::fflush(stdout) == 0 ? answered.exitStatus : 1;
    }
    if (!displayAvailable()) {
        std::fputs(
            "morsela-win: no display to open the window on (DISPLAY is not set); "
            "the command line is morsela\n",
            stderr);
        return 1;
    }
    morsela::sys::reportFileSizeLimitAsFailure();

    QApplication app(argc, argv);  // takes Qt's own options out of argv
    const WindowArguments arguments = morsela::readFileArgument(argc, argv, stderr);
    if (arguments.action == WindowArguments::Action::Exit) {
        return arguments.exitStatus;
    }
    QApplication::setApplicationName("Morsela Win");
    QApplication::setWindowIcon(morsela::morselaIcon());
    QGuiApplication::setDesktopFileName("morsela-win");

    const morsela::NativePath file(arguments.file.value_or(""));
    if (arguments.file && morsela::openingOf(file) == morsela::Opening::Join) {
        morsela::JoinWindow window(file);
        window.show();
        return app.exec();
    }
    morsela::Form1 form;
    if (arguments.file) {
        form.setSourceFile(file);
    }
    form.show();
    return app.exec();
}
