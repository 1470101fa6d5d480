#include "app/dir_list_box.h"

#include <dirent.h>
#include <sys/stat.h>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <algorithm>
#include <cerrno>
#include <memory>

#include "app/error_box.h"
#include "split/split_error.h"

namespace morsela {
namespace {

struct DirCloser {
    void operator()(DIR* dir) const { ::closedir(dir); }
};

// The names of the subdirectories of `path`, sorted; throws SplitError when it can't be read.
QStringList subdirectories(const QString& path) {
    const QByteArray native = QFile::encodeName(path);
    std::unique_ptr<DIR, DirCloser> dir(::opendir(native.constData()));
    if (!dir) {
        throw outputError(native.toStdString(), errno);
    }
    QStringList names;
    while (const dirent* entry = ::readdir(dir.get())) {
        const QByteArray name = entry->d_name;
        if (name.startsWith('.')) {  // ".", ".." and hidden directories
            continue;
        }
        struct stat status {};
        if (::fstatat(::dirfd(dir.get()), name.constData(), &status, 0) == 0 &&
            S_ISDIR(status.st_mode)) {
            names << QFile::decodeName(name);
        }
    }
    std::sort(names.begin(), names.end(), [](const QString& a, const QString& b) {
        return QString::localeAwareCompare(a, b) < 0;
    });
    return names;
}

}  // namespace

DirListBox::DirListBox(MountPoints& drives, QWidget* parent)
    : QTreeWidget(parent), drives_(drives) {
    setHeaderHidden(true);
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setIndentation(10);
    setUniformRowHeights(true);
    connect(this, &QTreeWidget::itemActivated, this, &DirListBox::open);
}

void DirListBox::setPath(const QString& path) {
    const QString target = QDir::cleanPath(QDir(path_).absoluteFilePath(path));
    const QStringList children = subdirectories(target);

    clear();
    const QIcon openIcon = style()->standardIcon(QStyle::SP_DirOpenIcon);
    const QIcon closedIcon = style()->standardIcon(QStyle::SP_DirClosedIcon);
    QTreeWidgetItem* item = new QTreeWidgetItem(this, QStringList("/"));
    item->setIcon(0, openIcon);
    item->setData(0, Qt::UserRole, "/");
    QString walked;
    for (const QString& part : target.split('/', Qt::SkipEmptyParts)) {
        walked += "/" + part;
        item = new QTreeWidgetItem(item, QStringList(part));
        item->setIcon(0, openIcon);
        item->setData(0, Qt::UserRole, walked);
    }
    QTreeWidgetItem* current = item;
    for (const QString& child : children) {
        auto* sub = new QTreeWidgetItem(current, QStringList(child));
        sub->setIcon(0, closedIcon);
        sub->setData(0, Qt::UserRole, (walked.isEmpty() ? "" : walked) + "/" + child);
    }
    expandAll();
    setCurrentItem(current);
    scrollToItem(current);

    const bool changed = target != path_;
    path_ = target;
    drives_.remember(path_);
    if (changed) {
        emit change();
    }
}

void DirListBox::open(QTreeWidgetItem* item) {
    try {
        setPath(item->data(0, Qt::UserRole).toString());
    } catch (const SplitError& error) {
        showErrorBox(window(), error.headline(), error.detail());
    }
}

}  // namespace morsela
