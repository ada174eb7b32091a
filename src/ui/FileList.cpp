#include "ui/FileList.h"

#include <QDir>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QSet>
#include <QStyledItemDelegate>
#include <algorithm>

#include "core/FolderEntries.h"
#include "core/NameMask.h"

namespace ui {

namespace {

// Rows tall enough for the tails of g, p and q: some faces (Wine's Tahoma among them) declare a
// descent shorter than their glyphs, and rows sized by it cut the tails off.
class RowDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override {
        QSize size = QStyledItemDelegate::sizeHint(option, index);
        const QFontMetrics metrics(option.font);
        const int glyphs =
            std::max(metrics.height(),
                     metrics.ascent() + metrics.boundingRect(QStringLiteral("gjpqy")).bottom());
        size.setHeight(std::max(size.height(), glyphs + 4));
        return size;
    }
};

} // namespace

FileList::FileList(QWidget *parent) : QListWidget(parent) {
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setItemDelegate(new RowDelegate(this));
    // Every row has the same height: the view need not ask each of thousands of names.
    setUniformItemSizes(true);
}

QList<FileList::Listed> FileList::listFiles(const QString &folder, const QString &pattern) {
    if (folder.isEmpty())
        return {};
    const core::NameMasks masks(pattern);
    QList<Listed> files;
    for (const core::FolderEntry &entry : core::listFolder(QDir::fromNativeSeparators(folder))) {
        if (entry.kind == core::EntryKind::File && !entry.hidden && masks.matches(entry.name))
            files.append({entry.name, entry.readableName});
    }
    // Case variants of one name keep a fixed order too, whatever the directory's own.
    std::sort(files.begin(), files.end(), [](const Listed &a, const Listed &b) {
        const int folded = a.name.compare(b.name, Qt::CaseInsensitive);
        return folded != 0 ? folded < 0 : a.name < b.name;
    });
    return files;
}

void FileList::setPath(const QString &folder) {
    path_ = folder;
    fill(listFiles(path_, pattern_));
}

void FileList::setPattern(const QString &pattern) {
    pattern_ = pattern;
    fill(listFiles(path_, pattern_));
}

void FileList::fill(const QList<Listed> &files) {
    clear();
    for (const Listed &file : files) {
        auto *entry = new QListWidgetItem(file.name, this);
        if (!file.usable) {
            entry->setFlags(Qt::NoItemFlags);
            entry->setToolTip(QStringLiteral(
                "Nom de fichier illisible : renommez ce fichier pour pouvoir l'utiliser."));
        }
    }
}

void FileList::refresh() {
    const QList<Listed> files = listFiles(path_, pattern_);
    QStringList names;
    for (const Listed &file : files)
        names << file.name;
    if (names == fileNames())
        return;

    const QString focused = fileName(currentRow());
    QSet<QString> selected;
    for (const QListWidgetItem *entry : selectedItems())
        selected.insert(entry->text());

    const int top = indexAt(QPoint(0, 0)).row();
    fill(files);
    for (int row = 0; row < count(); ++row) {
        QListWidgetItem *entry = item(row);
        if (selected.contains(entry->text()))
            entry->setSelected(true);
        if (!focused.isEmpty() && entry->text() == focused)
            selectionModel()->setCurrentIndex(indexFromItem(entry), QItemSelectionModel::NoUpdate);
    }
    if (top >= 0 && top < count())
        scrollToItem(item(top), QAbstractItemView::PositionAtTop);
}

QString FileList::fileName(int row) const {
    const QListWidgetItem *entry = item(row);
    return entry ? entry->text() : QString();
}

QStringList FileList::fileNames() const {
    QStringList names;
    names.reserve(count());
    for (int row = 0; row < count(); ++row)
        names << item(row)->text();
    return names;
}

void FileList::mousePressEvent(QMouseEvent *event) {
    // Only the left button selects, as in the list this stands for.
    if (event->button() != Qt::LeftButton) {
        event->accept();
        return;
    }
    QListWidget::mousePressEvent(event);
    const QModelIndex hit = indexAt(event->position().toPoint());
    if (hit.isValid() && hit == currentIndex())
        emit entryChosen(event->modifiers().testFlag(Qt::ControlModifier));
}

void FileList::keyPressEvent(QKeyEvent *event) {
    const QPersistentModelIndex before = currentIndex();
    // With no focused entry the view would take any move as "go to the first entry"; the keys
    // that head down the list go from the top instead.
    if (!before.isValid() && count() > 0 &&
        (event->key() == Qt::Key_End || event->key() == Qt::Key_PageDown)) {
        selectionModel()->setCurrentIndex(model()->index(0, 0), QItemSelectionModel::NoUpdate);
    }
    QListWidget::keyPressEvent(event);
    const QModelIndex after = currentIndex();
    if (after.isValid() && after != before)
        emit entryChosen(event->modifiers().testFlag(Qt::ControlModifier));
}

QModelIndex FileList::moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) {
    const QModelIndex target = QListWidget::moveCursor(action, modifiers);
    const int from = currentRow();
    const auto usable = [this](int row) {
        return row >= 0 && row < count() && item(row)->flags().testFlag(Qt::ItemIsEnabled);
    };
    if (!target.isValid() || usable(target.row()) || target.row() == from)
        return target;
    // A greyed entry cannot take the focus: go on past it, or stop at the last usable one
    // before it.
    const int step = target.row() > from ? 1 : -1;
    for (int row = target.row(); row >= 0 && row < count(); row += step) {
        if (usable(row))
            return model()->index(row, 0);
    }
    for (int row = target.row(); row != from; row -= step) {
        if (usable(row))
            return model()->index(row, 0);
    }
    return currentIndex();
}

void FileList::focusInEvent(QFocusEvent *event) {
    // The view would focus the first entry on its own when the keyboard focus arrives; the list
    // keeps "no focused entry" until the user picks one.
    const bool hadCurrent = currentIndex().isValid();
    QListWidget::focusInEvent(event);
    if (!hadCurrent && currentIndex().isValid() && selectedItems().isEmpty())
        selectionModel()->setCurrentIndex(QModelIndex(), QItemSelectionModel::NoUpdate);
}

} // namespace ui
