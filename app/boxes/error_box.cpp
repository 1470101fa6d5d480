#include "app/boxes/error_box.h"

#include "app/boxes/message_box.h"
#include "app/controls/native_path.h"

namespace morsela {

const char* headlineOf(Error::Kind kind) {
    switch (kind) {
        case Error::Kind::NotFound:
            return kFileNotFound;
        case Error::Kind::NoSpace:
            return kDiskFull;
        case Error::Kind::NotReady:
            return kDiskNotReady;
        case Error::Kind::Refused:
        case Error::Kind::Exists:
        case Error::Kind::Stopped:
        case Error::Kind::Other:
            break;
    }
    return kSomeError;
}

void showErrorBox(QWidget* parent, const Error& error) {
    MessageBox box(QMessageBox::Critical, "Error", headlineOf(error.kind()), QMessageBox::Ok,
                   parent);
    box.setDetail(shownText(error.what()));
    box.exec();
}

}  // namespace morsela
