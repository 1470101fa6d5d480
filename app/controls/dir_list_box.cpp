#include "app/controls/dir_list_box.h"

#include <dirent.h>
#include <sys/stat.h>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QPainter>
#include <QScrollBar>
#include <algorithm>
#include <cerrno>
#include <memory>

#include "app/boxes/error_box.h"
#include "app/boxes/plain_text.h"
#include "app/controls/legibility.h"
#include "engine/error.h"

namespace morsela {
namespace {

struct DirCloser {
    void operator()(DIR* dir) const { ::closedir(dir); }
};

// The names of the subdirectories of `path`, sorted as shown; throws Error when it can't be
// read.
QList<QByteArray> subdirectories(const QByteArray& path) {
    std::unique_ptr<DIR, DirCloser> dir(::opendir(path.constData()));
    if (!dir) {
        throw Error::ofOutput(path.toStdString(), errno);
    }
    QList<QByteArray> names;
    while (const dirent* entry = ::readdir(dir.get())) {
        const QByteArray name = entry->d_name;
        if (name.startsWith('.')) {  // ".", ".." and hidden directories
            continue;
        }
        struct stat status {};
        if (::fstatat(::dirfd(dir.get()), name.constData(), &status, 0) == 0 &&
            S_ISDIR(status.st_mode)) {
            names << name;
        }
    }
    std::sort(names.begin(), names.end(), [](const QByteArray& a, const QByteArray& b) {
        return QString::localeAwareCompare(NativePath(a).shown(), NativePath(b).shown()) < 0;
    });
    return names;
}

// `path` made absolute against `base` and cleaned of "." and "..", as bytes.
QByteArray cleanPath(const QByteArray& base, const QByteArray& path) {
    QList<QByteArray> parts;
    const QByteArray whole = path.startsWith('/') ? path : base + "/" + path;
    for (const QByteArray& part : whole.split('/')) {
        if (part.isEmpty() || part == ".") {
            continue;
        }
        if (part == "..") {
            if (!parts.isEmpty()) {
                parts.removeLast();
            }
            continue;
        }
        parts << part;
    }
    return "/" + parts.join('/');
}

}  // namespace

DirListBox::DirListBox(MountPoints& drives, QWidget* parent)
    : QTreeWidget(parent), drives_(drives) {
    setHeaderHidden(true);
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setIndentation(10);
    setUniformRowHeights(true);
    // Deep paths scroll sideways rather than push the current directory out of view.
    header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    header()->setStretchLastSection(false);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    connect(this, &QTreeWidget::itemActivated, this, &DirListBox::open);
}

void DirListBox::setPath(const NativePath& path) {
    const QByteArray target = cleanPath(path_.isEmpty() ? "/" : path_.bytes(), path.bytes());
    const QList<QByteArray> children = subdirectories(target);

    clear();
    const QIcon openIcon = style()->standardIcon(QStyle::SP_DirOpenIcon);
    const QIcon closedIcon = style()->standardIcon(QStyle::SP_DirClosedIcon);
    auto add = [](QTreeWidgetItem* item, const QIcon& icon, const QByteArray& fullPath) {
        item->setIcon(0, icon);
        item->setData(0, Qt::UserRole, fullPath);
        item->setToolTip(0, plainToolTip(NativePath(fullPath).shown()));
        // A screen reader hears where the directory is, not only its name.
        item->setData(0, Qt::AccessibleDescriptionRole, NativePath(fullPath).shown());
        return item;
    };
    QTreeWidgetItem* item = add(new QTreeWidgetItem(this, QStringList("/")), openIcon, "/");
    QByteArray walked;
    for (const QByteArray& part : target.split('/')) {
        if (part.isEmpty()) {
            continue;
        }
        walked += "/" + part;
        item =
            add(new QTreeWidgetItem(item, QStringList(NativePath(part).shown())), openIcon, walked);
    }
    QTreeWidgetItem* current = item;
    for (const QByteArray& child : children) {
        add(new QTreeWidgetItem(current, QStringList(NativePath(child).shown())), closedIcon,
            walked + "/" + child);
    }
    expandAll();
    setCurrentItem(current);
    scrollToItem(current);
    // Sideways, the current directory's name starts at the left edge when it is deep.
    QScrollBar* sideways = horizontalScrollBar();
    sideways->setValue(sideways->value() + visualItemRect(current).left() - indentation());

    const bool changed = target != path_.bytes();
    path_ = NativePath(target);
    drives_.remember(path_);
    if (changed) {
        emit change();
    }
}

// The list's style marks the current directory alike with or without the focus.
void DirListBox::paintEvent(QPaintEvent* event) {
    QTreeWidget::paintEvent(event);
    if (hasFocus()) {
        QPainter painter(viewport());
        drawFocusFrame(painter, viewport()->rect(), *this);
    }
}

void DirListBox::open(QTreeWidgetItem* item) {
    try {
        setPath(NativePath(item->data(0, Qt::UserRole).toByteArray()));
    } catch (const Error& error) {
        showErrorBox(window(), error);
    }
}

}  // namespace morsela
