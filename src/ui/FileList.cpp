#include "ui/FileList.h"

#include <QDir>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QSet>
#include <QStyledItemDelegate>

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

QStringList FileList::matchingFiles(const QString &folder, const QString &pattern) {
    if (folder.isEmpty())
        return {};
    QStringList masks;
    for (const QString &part : pattern.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        const QString mask = part.trimmed();
        // "*.*" means every file, extension or not, as on the systems the masks come from.
        if (mask == QLatin1String("*.*"))
            masks << QStringLiteral("*");
        else if (!mask.isEmpty())
            masks << mask;
    }
    if (masks.isEmpty())
        masks << QStringLiteral("*");
    QDir dir(QDir::fromNativeSeparators(folder));
    dir.setNameFilters(masks);
    // Without QDir::Hidden and QDir::System: no hidden files, no devices, sockets or dangling
    // links.
    dir.setFilter(QDir::Files);
    dir.setSorting(QDir::Name | QDir::IgnoreCase);
    return dir.entryList();
}

void FileList::setPath(const QString &folder) {
    path_ = folder;
    fill(matchingFiles(path_, pattern_));
}

void FileList::setPattern(const QString &pattern) {
    pattern_ = pattern;
    fill(matchingFiles(path_, pattern_));
}

void FileList::fill(const QStringList &names) {
    clear();
    addItems(names);
}

void FileList::refresh() {
    const QStringList names = matchingFiles(path_, pattern_);
    if (names == fileNames())
        return;

    const QString focused = fileName(currentRow());
    QSet<QString> selected;
    for (const QListWidgetItem *entry : selectedItems())
        selected.insert(entry->text());

    const int top = indexAt(QPoint(0, 0)).row();
    fill(names);
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

void FileList::focusInEvent(QFocusEvent *event) {
    // The view would focus the first entry on its own when the keyboard focus arrives; the list
    // keeps "no focused entry" until the user picks one.
    const bool hadCurrent = currentIndex().isValid();
    QListWidget::focusInEvent(event);
    if (!hadCurrent && currentIndex().isValid() && selectedItems().isEmpty())
        selectionModel()->setCurrentIndex(QModelIndex(), QItemSelectionModel::NoUpdate);
}

} // namespace ui
