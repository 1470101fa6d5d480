#pragma once

#include <QString>

class QWidget;

namespace morsela {

// Names of files, directories and drives are shown exactly as they are. A name may look like
// markup ("<b>", "<img src=...>"), and Qt renders a text that looks like markup as rich text
// unless told otherwise; these give texts that always show literally.

// A tooltip that shows `plain` as it is: Qt has no plain-text tooltips, so a text that would
// be taken for markup is escaped.
QString plainToolTip(const QString& plain);

// Sets `plain` as the widget's tooltip, shown literally, and as its accessible description,
// so that a screen reader hears what the mouse shows.
void setPlainToolTip(QWidget& widget, const QString& plain);

}  // namespace morsela
