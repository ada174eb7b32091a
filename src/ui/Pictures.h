#pragma once

#include <QIcon>
#include <QPixmap>
#include <QStyle>

// The window's pictures, drawn in code so the program ships no image files.
namespace ui {

QPixmap arrowLeftPicture();  // 110 x 19, black arrow pointing left, transparent background
QPixmap openFolderPicture(); // 16 x 15
QPixmap diskettePicture();   // 16 x 15
QIcon windowIcon();          // 16, 32 and 48 pixels
// Small icons of the drive and folder lists (drive, home, open and closed folder), drawn once.
QIcon listIcon(QStyle::StandardPixmap kind);

} // namespace ui
