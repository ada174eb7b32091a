#include "ui/FileFilterProxy.h"

#include <QDir>
#include <QFileInfo>
#include <QFileSystemModel>

namespace ui {

bool FileFilterProxy::accepts(const QFileInfo &info, const QStringList &patterns) const {
    if (info.isDir())
        return true;
    if (patterns.isEmpty() || patterns.contains(QStringLiteral("*.*")) ||
        patterns.contains(QStringLiteral("*")))
        return true;
    if (programs_ && info.isFile() && info.isExecutable())
        return true;
    return QDir::match(patterns, info.fileName());
}

bool FileFilterProxy::filterAcceptsRow(int sourceRow, const QModelIndex &sourceParent) const {
    const auto *model = qobject_cast<const QFileSystemModel *>(sourceModel());
    if (!model)
        return true;
    const QModelIndex index = model->index(sourceRow, 0, sourceParent);
    return accepts(model->fileInfo(index), model->nameFilters());
}

Qt::ItemFlags FileFilterProxy::flags(const QModelIndex &index) const {
    // The model greys out what its own filters reject; every row shown here was accepted.
    Qt::ItemFlags result = QSortFilterProxyModel::flags(index);
    if (index.isValid())
        result |= Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    return result;
}

void FileFilterProxy::sort(int column, Qt::SortOrder order) {
    if (sourceModel())
        sourceModel()->sort(column, order);
}

} // namespace ui
