// What the window does with a failure besides showing its box: a word on what to choose
// instead, and the focus on the control the failure is about, so that the user can put it
// right at once. Part of Form1, kept apart from its handlers.

#include <cerrno>
#include <cstring>

#include "app/form1.h"
#include "app/source_field.h"

namespace morsela {
namespace {

bool reasonIs(const Error& error, int number) {
    return error.reason() == std::strerror(number);
}

// Whether `path` is the directory `dir` (given with its "/" at the end) or lies in it.
bool isIn(const std::string& path, const std::string& dir) {
    return path.starts_with(dir) || path + "/" == dir;
}

}  // namespace

// The size field's problems and "No file was chosen" name no path; any other failure names
// the source, the output directory or a file in it.
QWidget* Form1::controlAbout(const Error& error) const {
    if (error.path().empty()) {
        if (error.kind() == Error::Kind::NotFound) {
            return txtFile;
        }
        return error.kind() == Error::Kind::Refused ? txtSize : nullptr;
    }
    if (error.path() == sourceOf(txtFile->text()).toStdString()) {
        return txtFile;
    }
    return isIn(error.path(), outputDir_.toStdString()) ? Dir1 : nullptr;
}

Error Form1::advised(const Error& error) const {
    QString advice;
    const QWidget* about = controlAbout(error);
    if (about == txtFile && reasonIs(error, EISDIR)) {
        advice =
            "This is a directory: type the path of a file in it, or pick one with "
            "\"Open File\".";
    } else if (about == Dir1 && reasonIs(error, EROFS)) {
        advice =
            "Nothing can be written on this drive: choose a directory on another one "
            "(such as your home directory) with the drive and directory lists.";
    } else if (about == Dir1 && (reasonIs(error, EACCES) || reasonIs(error, EPERM))) {
        advice =
            "Choose a directory you may write in (such as your home directory) with "
            "the directory list.";
    }
    if (advice.isEmpty()) {
        return error;
    }
    return Error(error.kind(), error.path(), error.reason() + "\n" + advice.toStdString());
}

void Form1::focusOnControlAbout(const Error& error) {
    QWidget* control = controlAbout(error);
    if (control == nullptr || !control->isEnabled()) {
        return;
    }
    control->setFocus(Qt::OtherFocusReason);
    if (auto* field = qobject_cast<QLineEdit*>(control)) {
        field->selectAll();
    }
}

}  // namespace morsela
