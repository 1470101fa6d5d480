#include "app/icons/morsela_icon.h"

#include <QPixmap>

#include "app/icons/morsela.xpm"

namespace morsela {

QIcon morselaIcon() {
    return QIcon(QPixmap(morsela_xpm));
}

}  // namespace morsela
