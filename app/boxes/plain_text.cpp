#include "app/boxes/plain_text.h"

#include <QTextDocument>
#include <QWidget>

namespace morsela {

QString plainToolTip(const QString& plain) {
    return Qt::mightBeRichText(plain) ? Qt::convertFromPlainText(plain, Qt::WhiteSpacePre) : plain;
}

void setPlainToolTip(QWidget& widget, const QString& plain) {
    widget.setToolTip(plainToolTip(plain));
    widget.setAccessibleDescription(plain);
}

}  // namespace morsela
