#include <gtest/gtest.h>
#include <QApplication>

#include "engine/os/file_calls.h"

// The window tests share one application, on Qt's offscreen platform unless told otherwise.
int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM",
            qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    morsela::sys::reportFileSizeLimitAsFailure();
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
