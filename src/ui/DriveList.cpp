#include "ui/DriveList.h"

namespace ui {

DriveList::DriveList(QWidget *parent) : QComboBox(parent) {}

} // namespace ui
