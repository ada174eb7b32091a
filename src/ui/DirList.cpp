#include "ui/DirList.h"
#include "ui/Pictures.h"

#include <QDir>
#include <QFileInfo>
#include <QStyle>
#include <QStyledItemDelegate>
#include <algorithm>

#include "core/FolderEntries.h"

namespace ui {

namespace {

constexpr int PathRole = Qt::UserRole;
constexpr int DepthRole = Qt::UserRole + 1;
constexpr int IndentStep = 12;

// Indents each entry by its depth in the tree, as a folder list draws it.
class IndentDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override {
        QStyleOptionViewItem shifted = option;
        shifted.rect.setLeft(option.rect.left() + indent(index));
        QStyledItemDelegate::paint(painter, shifted, index);
    }

    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override {
        return QStyledItemDelegate::sizeHint(option, index) + QSize(indent(index), 0);
    }

private:
    static int indent(const QModelIndex &index) {
        return index.data(DepthRole).toInt() * IndentStep;
    }
};

QString internal(const QString &folder) {
    return QDir::fromNativeSeparators(folder);
}

} // namespace

DirList::DirList(QWidget *parent) : QListWidget(parent) {
    setSelectionMode(QAbstractItemView::SingleSelection);
    setItemDelegate(new IndentDelegate(this));
}

QString DirList::normalized(const QString &folder) {
    return QDir::toNativeSeparators(QDir::cleanPath(QDir(internal(folder)).absolutePath()));
}

bool DirList::canList(const QString &folder) {
    const QFileInfo info(internal(folder));
    if (!info.isDir() || !info.isReadable())
        return false;
#ifndef Q_OS_WIN
    if (!info.isExecutable()) // no search permission: names without details
        return false;
#endif
    // An unreadable folder lists nothing, not even "." (drive roots on Windows have no ".").
    const QDir dir(info.absoluteFilePath());
    return !dir.entryList(QDir::AllEntries | QDir::Hidden | QDir::System).isEmpty() || dir.isRoot();
}

bool DirList::setPath(const QString &folder) {
    const QString target = normalized(folder);
    if (target == path_) {
        refresh();
        return true;
    }
    if (!canList(target))
        return false;
    path_ = target;
    rebuild(path_);
    return true;
}

QString DirList::entryPath(int row) const {
    const QListWidgetItem *entry = item(row);
    return entry ? entry->data(PathRole).toString() : QString();
}

QString DirList::highlightedPath() const {
    const int row = currentRow();
    return row >= 0 ? entryPath(row) : path_;
}

void DirList::refresh() {
    if (!path_.isEmpty())
        rebuild(currentRow() >= 0 ? highlightedPath() : path_);
}

void DirList::rebuild(const QString &highlight) {
    struct Entry {
        QString path;
        QString text;
        int depth;
        QStyle::StandardPixmap icon;
    };
    QList<Entry> entries;

    // The folder and its parents, root first.
    QStringList chain;
    for (QDir dir(internal(path_));;) {
        chain.prepend(dir.absolutePath());
        if (dir.isRoot() || !dir.cdUp())
            break;
    }
    for (int depth = 0; depth < chain.size(); ++depth) {
        const QString &folder = chain[depth];
        const bool root = depth == 0;
        const QString text = root ? QDir::toNativeSeparators(folder) : QFileInfo(folder).fileName();
        entries.append({QDir::toNativeSeparators(folder), text, depth,
                        root ? QStyle::SP_DriveHDIcon : QStyle::SP_DirOpenIcon});
    }
    const int folderRow = static_cast<int>(entries.size()) - 1;

    const QDir current(internal(path_));
    // Folders and links to folders only: a link to a device is no folder. A name that is not valid
    // UTF-8 could not be opened by the text shown, so it is left out.
    QStringList subfolders;
    for (const core::FolderEntry &entry : core::listFolder(current.absolutePath())) {
        if (entry.kind == core::EntryKind::Folder && !entry.hidden && entry.readableName)
            subfolders << entry.name;
    }
    std::sort(subfolders.begin(), subfolders.end(), [](const QString &a, const QString &b) {
        const int folded = a.compare(b, Qt::CaseInsensitive);
        return folded != 0 ? folded < 0 : a < b;
    });
    for (const QString &name : subfolders) {
        entries.append({QDir::toNativeSeparators(current.absoluteFilePath(name)), name,
                        static_cast<int>(chain.size()), QStyle::SP_DirClosedIcon});
    }

    bool same = count() == entries.size() && folderRow_ == folderRow;
    for (int row = 0; same && row < count(); ++row)
        same = entryPath(row) == entries[row].path;
    if (same && highlightedPath() == highlight && currentRow() >= 0)
        return;

    clear();
    for (const Entry &entry : entries) {
        auto *row = new QListWidgetItem(listIcon(entry.icon), entry.text, this);
        row->setData(PathRole, entry.path);
        row->setData(DepthRole, entry.depth);
        row->setToolTip(entry.path);
    }
    folderRow_ = folderRow;
    int highlighted = folderRow;
    for (int row = 0; row < count(); ++row) {
        if (entryPath(row) == highlight)
            highlighted = row;
    }
    setCurrentRow(highlighted);
    scrollToItem(item(highlighted));
}

} // namespace ui
