#pragma once

#include <QComboBox>

namespace ui {

// The drive list: drive letters on Windows, mounted volumes elsewhere (root and home first).
// Each entry carries its volume's root path as item data.
class DriveList : public QComboBox {
    Q_OBJECT
public:
    explicit DriveList(QWidget *parent = nullptr);

    // Re-reads the machine's volumes; the current entry is kept by path when it is still there.
    // Emits no change signal.
    void refresh();

    QString drive(int index) const;
    QString currentDrive() const { return drive(currentIndex()); }

    // Makes the entry of the volume holding `path` current (the longest matching root) without
    // emitting a change signal.
    void selectDriveOf(const QString &path);

    // Root paths of the volumes worth browsing, in display order.
    static QStringList volumeRoots();
};

} // namespace ui
