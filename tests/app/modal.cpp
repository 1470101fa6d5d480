#include "tests/app/modal.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTimer>

namespace morsela::test {

void whenModalOpens(std::function<void(QWidget*)> action) {
    auto* timer = new QTimer;
    QObject::connect(timer, &QTimer::timeout, [timer, action] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            timer->stop();
            timer->deleteLater();
            action(modal);
        }
    });
    timer->start(10);
}

QString titleOf(QWidget* window) {
    return window->windowTitle();
}

QString textOf(QWidget* window) {
    auto* box = qobject_cast<QMessageBox*>(window);
    return box != nullptr ? box->text() : QString();
}

QString detailOf(QWidget* window) {
    auto* box = qobject_cast<QMessageBox*>(window);
    return box != nullptr ? box->informativeText() : QString();
}

void press(QWidget* window, QMessageBox::StandardButton button) {
    auto* box = qobject_cast<QMessageBox*>(window);
    if (box != nullptr && box->button(button) != nullptr) {
        box->button(button)->click();
    } else {
        window->close();
    }
}

void pressOk(QWidget* window) {
    if (auto* box = qobject_cast<QMessageBox*>(window)) {
        box->buttons().first()->click();
    } else {
        window->close();
    }
}

void closeNextBox(QString* title, QString* text) {
    whenModalOpens([title, text](QWidget* box) {
        *title = titleOf(box);
        *text = textOf(box);
        pressOk(box);
    });
}

}  // namespace morsela::test
