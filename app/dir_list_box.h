#pragma once

#include <QTreeWidget>

#include "app/mount_points.h"

namespace morsela {

// The directories along the current path, then the current directory's subdirectories,
// indented like a tree. Opening an entry (double-click or Enter) moves there.
//
// Every change of path raises Change; when the program sets the path, the Change handler
// runs to its end before setPath returns.
class DirListBox : public QTreeWidget {
    Q_OBJECT
  public:
    DirListBox(MountPoints& drives, QWidget* parent);

    // The full path of the directory shown: "/" for the root, no "/" at the end otherwise.
    QString path() const { return path_; }
    // Moves the list to `path`. Throws SplitError, naming the path and the reason, when the
    // directory cannot be read; the list then stays where it was.
    void setPath(const QString& path);

  signals:
    void change();

  private:
    void open(QTreeWidgetItem* item);

    MountPoints& drives_;
    QString path_;
};

}  // namespace morsela
