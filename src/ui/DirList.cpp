#include "ui/DirList.h"

namespace ui {

DirList::DirList(QWidget *parent) : QListWidget(parent) {}

} // namespace ui
