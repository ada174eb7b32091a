#pragma once

#include <QListWidget>

namespace ui {

// The file list: names of the current folder's files matching the pattern.
class FileList : public QListWidget {
    Q_OBJECT
public:
    explicit FileList(QWidget *parent = nullptr);
};

} // namespace ui
