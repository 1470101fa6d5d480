#include "app/controls/drive_list_accessible.h"

#include <QAbstractItemView>

#include "app/controls/drive_list_box.h"

namespace morsela {
namespace {

QAccessibleInterface* driveListFactory(const QString& className, QObject* object) {
    auto* list = qobject_cast<DriveListBox*>(object);
    if (list != nullptr && className == DriveListBox::staticMetaObject.className()) {
        return new DriveListAccessible(list);
    }
    return nullptr;
}

}  // namespace

DriveListAccessible::DriveListAccessible(DriveListBox* list)
    : QAccessibleWidget(list, QAccessible::ComboBox) {}

void DriveListAccessible::install() {
    static const bool installed = [] {
        QAccessible::installFactory(driveListFactory);
        return true;
    }();
    (void)installed;
}

DriveListBox& DriveListAccessible::list() const {
    return *static_cast<DriveListBox*>(widget());
}

QAccessible::Role DriveListAccessible::role() const {
    return QAccessible::ComboBox;
}

QAccessible::State DriveListAccessible::state() const {
    QAccessible::State state = QAccessibleWidget::state();
    state.expandable = true;
    state.expanded = list().view()->isVisible();
    return state;
}

QString DriveListAccessible::text(QAccessible::Text which) const {
    if (which == QAccessible::Value) {
        return list().currentText();
    }
    return QAccessibleWidget::text(which);
}

int DriveListAccessible::childCount() const {
    return 1;
}

QAccessibleInterface* DriveListAccessible::child(int index) const {
    return index == 0 ? QAccessible::queryAccessibleInterface(list().view()) : nullptr;
}

int DriveListAccessible::indexOfChild(const QAccessibleInterface* child) const {
    return child != nullptr && child->object() == list().view() ? 0 : -1;
}

QStringList DriveListAccessible::actionNames() const {
    return {QAccessibleActionInterface::showMenuAction(),
            QAccessibleActionInterface::pressAction()};
}

void DriveListAccessible::doAction(const QString& actionName) {
    if (actionName == QAccessibleActionInterface::showMenuAction() ||
        actionName == QAccessibleActionInterface::pressAction()) {
        list().view()->isVisible() ? list().hidePopup() : list().showPopup();
    }
}

}  // namespace morsela
