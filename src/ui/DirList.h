#pragma once

#include <QListWidget>

namespace ui {

// The folder list: the current folder, its parents and its subfolders as one list.
class DirList : public QListWidget {
    Q_OBJECT
public:
    explicit DirList(QWidget *parent = nullptr);
};

} // namespace ui
