#include "app/controls/common_dialog.h"

#include <QCheckBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QHeaderView>
#include <QTreeView>

namespace morsela {

QStringList CommonDialog::nameFilters(const QString& filter) {
    const QStringList parts = filter.split('|');
    QStringList filters;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        QStringList patterns = parts[i + 1].split(';', Qt::SkipEmptyParts);
        for (QString& pattern : patterns) {
            pattern = pattern.trimmed() == "*.*" ? "*" : pattern.trimmed();
        }
        filters << parts[i] + " (" + patterns.join(' ') + ")";
    }
    return filters;
}

bool CommonDialog::showOpen(QWidget* parent) {
    QFileDialog dialog(parent, "Open");
    dialog.setObjectName("dlgBox");
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setNameFilters(nameFilters(filter_));
    // Wide enough that sizes, types and dates show whole next to the names.
    dialog.setViewMode(QFileDialog::Detail);
    const QFontMetrics metrics = dialog.fontMetrics();
    dialog.resize(metrics.averageCharWidth() * 120, metrics.height() * 30);
    if (auto* details = dialog.findChild<QTreeView*>("treeView")) {
        details->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
        details->header()->setStretchLastSection(false);
        details->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    }

    const QFileInfo start(fileName_);
    if (!fileName_.isEmpty() && start.absoluteDir().exists()) {
        dialog.setDirectory(start.absoluteDir());
        dialog.selectFile(start.fileName());
    }

    if (!(flags_ & kHideReadOnly)) {
        // Shown as the dialog always has; the program does not read it.
        auto* readOnly = new QCheckBox("Open as &read-only", &dialog);
        readOnly->setObjectName("readOnly");
        readOnly->setChecked(flags_ & kReadOnly);
        if (auto* grid = qobject_cast<QGridLayout*>(dialog.layout())) {
            grid->addWidget(readOnly, grid->rowCount(), 0, 1, -1);
        }
    }

    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return false;
    }
    fileName_ = dialog.selectedFiles().first();
    return true;
}

}  // namespace morsela
