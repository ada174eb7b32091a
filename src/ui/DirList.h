#pragma once

#include <QListWidget>

namespace ui {

// The folder list: the current folder, its parents and its subfolders as one list. Parents come
// first (the root on top), then the current folder with an open-folder look, then its
// subfolders, indented one step further. Each entry holds its folder's full path; the
// highlighted entry is the current row, which the arrow keys move without changing the path.
class DirList : public QListWidget {
    Q_OBJECT
public:
    explicit DirList(QWidget *parent = nullptr);

    // Shows `folder` (absolute, or relative to the process's folder) and highlights it. False,
    // with nothing changed, when the folder cannot be listed.
    bool setPath(const QString &folder);
    // Native separators, no trailing separator except for a root; empty before the first setPath.
    QString path() const { return path_; }

    QString entryPath(int row) const;
    // The highlighted entry's path; the current folder itself when nothing is highlighted.
    QString highlightedPath() const;
    // Row of the current folder itself.
    int currentFolderRow() const { return folderRow_; }

    // Re-reads the subfolders from disk, keeping the highlighted entry by path when it is still
    // there. Does nothing visible when the contents are unchanged.
    void refresh();

    // The form every path takes in this list (native separators, cleaned, absolute).
    static QString normalized(const QString &folder);
    // The folder exists and its entries can be read.
    static bool canList(const QString &folder);

private:
    void rebuild(const QString &highlight);

    QString path_;
    int folderRow_ = -1;
};

} // namespace ui
