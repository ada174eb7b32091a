#include "ui/Pictures.h"

#include <QPainter>
#include <QPainterPath>

namespace ui {

namespace {

QPixmap blank(int width, int height) {
    QPixmap pixmap(width, height);
    pixmap.fill(Qt::transparent);
    return pixmap;
}

} // namespace

QPixmap arrowLeftPicture() {
    QPixmap pixmap = blank(110, 19);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::black);
    QPainterPath head;
    head.moveTo(2, 9.5);
    head.lineTo(22, 0.5);
    head.lineTo(22, 18.5);
    head.closeSubpath();
    p.drawPath(head);
    p.drawRect(QRectF(20, 6.5, 88, 6));
    return pixmap;
}

QPixmap openFolderPicture() {
    QPixmap pixmap = blank(16, 15);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QColor(0x80, 0x60, 0x00));
    // Back of the folder with its tab.
    p.setBrush(QColor(0xE8, 0xC0, 0x40));
    QPolygonF back({{0.5, 2.5}, {5.5, 2.5}, {6.5, 3.5}, {12.5, 3.5}, {12.5, 13.5}, {0.5, 13.5}});
    p.drawPolygon(back);
    // Open front flap, tilted forward.
    p.setBrush(QColor(0xFF, 0xE0, 0x70));
    QPolygonF front({{3.5, 6.5}, {15.5, 6.5}, {12.5, 13.5}, {0.5, 13.5}});
    p.drawPolygon(front);
    return pixmap;
}

QPixmap diskettePicture() {
    QPixmap pixmap = blank(16, 15);
    QPainter p(&pixmap);
    p.setPen(QColor(0x10, 0x10, 0x40));
    p.setBrush(QColor(0x30, 0x40, 0xA0));
    p.drawRect(QRectF(0.5, 0.5, 14, 13));
    // Shutter and label.
    p.setBrush(QColor(0xC8, 0xC8, 0xD0));
    p.drawRect(QRectF(3.5, 0.5, 8, 4));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(2.5, 7.5, 10, 6));
    p.setPen(QColor(0x90, 0x90, 0x90));
    p.drawLine(QPointF(4, 9.5), QPointF(11, 9.5));
    p.drawLine(QPointF(4, 11.5), QPointF(11, 11.5));
    return pixmap;
}

QIcon windowIcon() {
    // A loudspeaker with two sound waves, scaled for each size.
    QIcon icon;
    for (int size : {16, 32, 48}) {
        QPixmap pixmap = blank(size, size);
        QPainter p(&pixmap);
        p.setRenderHint(QPainter::Antialiasing);
        p.scale(size / 16.0, size / 16.0);
        p.setPen(QPen(QColor(0x20, 0x30, 0x60), 0.8));
        p.setBrush(QColor(0x40, 0x90, 0x40));
        QPolygonF speaker({{1, 5.5}, {4, 5.5}, {8, 2}, {8, 14}, {4, 10.5}, {1, 10.5}});
        p.drawPolygon(speaker);
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(QColor(0x20, 0x60, 0xC0), 1.3, Qt::SolidLine, Qt::RoundCap));
        p.drawArc(QRectF(6.5, 5, 5, 6), -50 * 16, 100 * 16);
        p.drawArc(QRectF(6, 2.5, 9, 11), -50 * 16, 100 * 16);
        p.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

namespace {

QPixmap closedFolderPicture(const QColor &face) {
    QPixmap pixmap = blank(16, 15);
    QPainter p(&pixmap);
    p.setPen(face.darker(200));
    p.setBrush(face);
    p.drawPolygon(
        QPolygonF({{0.5, 2.5}, {5.5, 2.5}, {6.5, 3.5}, {14.5, 3.5}, {14.5, 13.5}, {0.5, 13.5}}));
    p.setPen(face.lighter(130));
    p.drawLine(QPointF(1.5, 5.5), QPointF(13.5, 5.5));
    return pixmap;
}

QPixmap drivePicture() {
    QPixmap pixmap = blank(16, 15);
    QPainter p(&pixmap);
    p.setPen(QColor(0x50, 0x50, 0x50));
    p.setBrush(QColor(0xC8, 0xC8, 0xC8));
    p.drawRect(QRectF(0.5, 4.5, 15, 7));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x00, 0xC0, 0x00));
    p.drawRect(QRectF(12, 9, 2, 1.5));
    return pixmap;
}

} // namespace

QIcon listIcon(QStyle::StandardPixmap kind) {
    // Drawn by hand: the style's own icons cost a theme lookup on the first start-up paint.
    static const QIcon drive(drivePicture());
    static const QIcon home(closedFolderPicture(QColor(0x90, 0xB0, 0xE0)));
    static const QIcon open(openFolderPicture());
    static const QIcon closed(closedFolderPicture(QColor(0xE8, 0xC0, 0x40)));
    switch (kind) {
    case QStyle::SP_DriveHDIcon:
        return drive;
    case QStyle::SP_DirHomeIcon:
        return home;
    case QStyle::SP_DirOpenIcon:
        return open;
    default:
        return closed;
    }
}

} // namespace ui
