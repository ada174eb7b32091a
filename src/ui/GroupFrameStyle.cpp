#include "ui/GroupFrameStyle.h"

#include <QApplication>
#include <QGroupBox>
#include <QImage>
#include <QPixmap>
#include <QStyleFactory>
#include <QStyleOption>
#include <qdrawutil.h>

namespace ui {

namespace {

// Fusion's 98x38 frame picture, in 13x13 cells: six pixels of border on each side around one
// uniform middle, which is all the picture holds.
constexpr int Cells = 13, Border = 6, Width = 98, Height = 38;
constexpr QRgb FrameCells[Cells * Cells] = {
    0x00ffffff, 0x00ffffff, 0x00ffffff, 0x00ffffff, 0x00ffffff, 0x00ffffff, 0x00ffffff, 0x00ffffff,
    0x00ffffff, 0x00ffffff, 0x00ffffff, 0x00ffffff, 0x00ffffff, 0x00ffffff, 0x0d272727, 0x345d5d5d,
    0x346c6c6c, 0x32757575, 0x32757575, 0x32757575, 0x32757575, 0x32757575, 0x32757575, 0x346c6c6c,
    0x37666666, 0x0c151515, 0x00ffffff, 0x39626262, 0x1f5a5a5a, 0x0a000000, 0x08000000, 0x07000000,
    0x07000000, 0x07000000, 0x07000000, 0x08000000, 0x0a000000, 0x1e5e5e5e, 0x355b5b5b, 0x00ffffff,
    0x346c6c6c, 0x09000000, 0x03000000, 0x03000000, 0x03000000, 0x03000000, 0x03000000, 0x03000000,
    0x03000000, 0x03000000, 0x09000000, 0x346c6c6c, 0x00ffffff, 0x32757575, 0x08000000, 0x03000000,
    0x03000000, 0x03000000, 0x03000000, 0x03000000, 0x03000000, 0x03000000, 0x03000000, 0x08000000,
    0x32757575, 0x00ffffff, 0x32757575, 0x07000000, 0x03000000, 0x03000000, 0x03000000, 0x03000000,
    0x03000000, 0x03000000, 0x03000000, 0x03000000, 0x07000000, 0x32757575, 0x00ffffff, 0x32757575,
    0x07000000, 0x03000000, 0x03000000, 0x03000000, 0x03000000, 0x03000000, 0x03000000, 0x03000000,
    0x03000000, 0x07000000, 0x32757575, 0x00ffffff, 0x32757575, 0x07000000, 0x03000000, 0x03000000,
    0x03000000, 0x03000000, 0x03000000, 0x03000000, 0x03000000, 0x03000000, 0x07000000, 0x32757575,
    0x00ffffff, 0x32757575, 0x07000000, 0x03000000, 0x03000000, 0x03000000, 0x03000000, 0x03000000,
    0x03000000, 0x03000000, 0x03000000, 0x07000000, 0x32757575, 0x00ffffff, 0x32757575, 0x08000000,
    0x03000000, 0x03000000, 0x03000000, 0x03000000, 0x03000000, 0x03000000, 0x03000000, 0x03000000,
    0x08000000, 0x32757575, 0x00ffffff, 0x346c6c6c, 0x09000000, 0x03000000, 0x03000000, 0x03000000,
    0x03000000, 0x03000000, 0x03000000, 0x03000000, 0x03000000, 0x09000000, 0x346c6c6c, 0x00ffffff,
    0x355b5b5b, 0x1e5e5e5e, 0x0a000000, 0x08000000, 0x07000000, 0x07000000, 0x07000000, 0x07000000,
    0x08000000, 0x0a000000, 0x1f5a5a5a, 0x39626262, 0x00ffffff, 0x0c151515, 0x37666666, 0x346c6c6c,
    0x32757575, 0x32757575, 0x32757575, 0x32757575, 0x32757575, 0x32757575, 0x346c6c6c, 0x345d5d5d,
    0x0d272727};

int cell(int at, int size) {
    return at < Border ? at : at < size - Border ? Border : Border + 1 + at - (size - Border);
}

const QPixmap &framePicture() {
    static const QPixmap picture = [] {
        QImage image(Width, Height, QImage::Format_ARGB32);
        for (int y = 0; y < Height; ++y)
            for (int x = 0; x < Width; ++x)
                image.setPixel(x, y, FrameCells[cell(y, Height) * Cells + cell(x, Width)]);
        return QPixmap::fromImage(image);
    }();
    return picture;
}

} // namespace

GroupFrameStyle::GroupFrameStyle(QObject *owner)
    : QProxyStyle(QStyleFactory::create(QApplication::style()->name())) {
    setParent(owner);
    fusion_ = baseStyle()->name().compare(QLatin1String("fusion"), Qt::CaseInsensitive) == 0;
}

void GroupFrameStyle::drawPrimitive(PrimitiveElement element, const QStyleOption *option,
                                    QPainter *painter, const QWidget *widget) const {
    if (element != PE_FrameGroupBox || !fusion_) {
        QProxyStyle::drawPrimitive(element, option, painter, widget);
        return;
    }
    // Fusion's own geometry: the frame starts below the title.
    constexpr int TopMargin = 3;
    const auto *box = qobject_cast<const QGroupBox *>(widget);
    const int top =
        box && !box->isCheckable() && box->title().isEmpty()
            ? TopMargin
            : std::max(pixelMetric(PM_ExclusiveIndicatorHeight), option->fontMetrics.height()) +
                  TopMargin;
    qDrawBorderPixmap(painter, option->rect.adjusted(0, top, 0, 0),
                      QMargins(Border, Border, Border, Border), framePicture());
}

} // namespace ui
