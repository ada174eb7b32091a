#include "ui/FileList.h"

namespace ui {

FileList::FileList(QWidget *parent) : QListWidget(parent) {}

} // namespace ui
