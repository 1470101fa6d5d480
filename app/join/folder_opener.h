#pragma once

#include <QString>

class QWidget;

namespace morsela {

// Opens `folder` in the desktop's file manager through xdg-open, which asks the desktop for
// its program. Where none opens it (no file manager installed, or it fails), a box says so and
// names `file`, the path of what the user wanted to find there. Returns at once; the box, if
// any, comes when xdg-open has finished.
void openFolderOrSayWhere(QWidget* parent, const QString& folder, const QString& file);

}  // namespace morsela
