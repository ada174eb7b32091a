#pragma once

#include <QSortFilterProxyModel>

class QFileInfo;

namespace ui {

// Sits between the file dialog and its file-system model, so that the filters read as the program
// writes them while they select as a user expects here: "*.*" takes every file, dotted or not,
// and when a program is asked for, executable files (which carry no extension on this system)
// pass whatever filter is chosen. The model must keep the files its own name filters reject
// (`setNameFilterDisables(true)`); this proxy decides.
class FileFilterProxy : public QSortFilterProxyModel {
    Q_OBJECT
public:
    explicit FileFilterProxy(bool programs, QObject *parent = nullptr)
        : QSortFilterProxyModel(parent), programs_(programs) {}

    // Whether a file passes the given patterns ("*.txt", "*.*").
    bool accepts(const QFileInfo &info, const QStringList &patterns) const;
    // The chosen filter changed: decide again.
    void refilter() { invalidateFilter(); }

    Qt::ItemFlags flags(const QModelIndex &index) const override;
    // The model's own order (folders first) is kept.
    void sort(int column, Qt::SortOrder order) override;

protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex &sourceParent) const override;

private:
    bool programs_;
};

} // namespace ui
