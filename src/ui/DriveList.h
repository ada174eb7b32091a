#pragma once

#include <QComboBox>

namespace ui {

// The drive list: drive letters on Windows, mounted volumes elsewhere (root and home first).
class DriveList : public QComboBox {
    Q_OBJECT
public:
    explicit DriveList(QWidget *parent = nullptr);
};

} // namespace ui
