#pragma once

#include <QAccessibleWidget>

namespace morsela {

class DriveListBox;

// The drive list as assistive technology sees it: a combo box named by its accessible name
// ("Output drive"), whose value is the selected drive's line and whose child is the list it
// opens. Qt's own interface names a combo box by its current text on this platform, which
// would leave the list without a name of its own.
class DriveListAccessible : public QAccessibleWidget {
  public:
    explicit DriveListAccessible(DriveListBox* list);

    // Makes Qt use this interface for every drive list; called once, by the first list.
    static void install();

    QAccessible::Role role() const override;
    QAccessible::State state() const override;
    QString text(QAccessible::Text which) const override;
    int childCount() const override;
    QAccessibleInterface* child(int index) const override;
    int indexOfChild(const QAccessibleInterface* child) const override;
    QStringList actionNames() const override;
    void doAction(const QString& actionName) override;

  private:
    DriveListBox& list() const;
};

}  // namespace morsela
