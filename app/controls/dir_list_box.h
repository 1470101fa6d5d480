#pragma once

#include <QTreeWidget>

#include "app/controls/mount_points.h"

namespace morsela {

// The directories along the current path, then the current directory's subdirectories,
// indented like a tree. Opening an entry (double-click or Enter) moves there.
//
// Names are shown decoded, but kept as bytes, so a directory whose name is not UTF-8 opens
// like any other. The current directory stays in view, scrolled to sideways when deep.
//
// Every change of path raises Change; when the program sets the path, the Change handler
// runs to its end before setPath returns. Its names show as they are, also in tooltips.
class DirListBox : public QTreeWidget {
    Q_OBJECT
  public:
    DirListBox(MountPoints& drives, QWidget* parent);

    // The full path of the directory shown: "/" for the root, no "/" at the end otherwise.
    const NativePath& path() const { return path_; }
    // Moves the list to `path`. Throws Error, naming the path and the reason, when the
    // directory cannot be read; the list then stays where it was.
    void setPath(const NativePath& path);

  signals:
    void change();

  protected:
    // A frame in the highlight colour shows that the list has the focus.
    void paintEvent(QPaintEvent* event) override;

  private:
    void open(QTreeWidgetItem* item);

    MountPoints& drives_;
    NativePath path_;
};

}  // namespace morsela
