#pragma once

#include <QString>
#include <QStringList>

class QWidget;

namespace morsela {

// The file-open dialog, driven by properties: set Flags and Filter, call showOpen, read
// FileName. Nothing of it is drawn on the window.
class CommonDialog {
  public:
    // Flag 1: the dialog's read-only check box is ticked when it opens. Flag 4 hides the
    // read-only check box. Flags for save dialogs mean nothing here.
    static constexpr int kReadOnly = 1;
    static constexpr int kHideReadOnly = 4;

    void setFlags(int flags) { flags_ = flags; }
    // File types as "description|pattern|description|pattern..."; patterns of one type are
    // separated by ";", and "*.*" matches every file, also names without a dot.
    void setFilter(const QString& filter) { filter_ = filter; }
    // The full path of the file chosen; the dialog opens at it when its folder exists.
    void setFileName(const QString& fileName) { fileName_ = fileName; }
    const QString& fileName() const { return fileName_; }

    // Shows the modal dialog and returns when the user closes it: true when a file was
    // chosen (FileName then holds it), false on a cancel (FileName is left as it was).
    bool showOpen(QWidget* parent);

    // The filter text as Qt's name filters: "ALL files|*.*" gives "ALL files (*)".
    static QStringList nameFilters(const QString& filter);

  private:
    int flags_ = 0;
    QString filter_;
    QString fileName_;
};

}  // namespace morsela
