#pragma once

#include <QMessageBox>
#include <QString>
#include <QWidget>
#include <functional>

namespace morsela::test {

// Waits, while the event loop runs, for the next modal window to open and hands it to
// `action`, which should close it. Set up before the call that opens the window.
void whenModalOpens(std::function<void(QWidget*)> action);

// The title, the main text and the detail (informative text) of a message box; empty for
// other windows.
QString titleOf(QWidget* window);
QString textOf(QWidget* window);
QString detailOf(QWidget* window);

// Presses the first button of a message box.
void pressOk(QWidget* window);
// Presses the given button of a message box.
void press(QWidget* window, QMessageBox::StandardButton button);

// Closes the next message box with its first button, after noting its title and text.
void closeNextBox(QString* title, QString* text);

}  // namespace morsela::test
