#include "app/error_box.h"

#include <QMessageBox>

#include "split/split_error.h"

namespace morsela {

void showErrorBox(QWidget* parent, const std::string& headline, const std::string& detail) {
    QMessageBox box(QMessageBox::Critical, kErrorTitle, QString::fromStdString(headline),
                    QMessageBox::Ok, parent);
    box.setInformativeText(QString::fromLocal8Bit(detail.c_str()));
    box.exec();
}

}  // namespace morsela
