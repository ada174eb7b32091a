#pragma once

#include <QProxyStyle>

namespace ui {

// The application's style for one group box, with the Fusion frame drawn from pixels held here:
// Fusion reads its frame picture through the image reader, which loads every image-format plugin
// on the window's first paint. Any other style draws as itself.
class GroupFrameStyle : public QProxyStyle {
public:
    explicit GroupFrameStyle(QObject *owner);
    void drawPrimitive(PrimitiveElement element, const QStyleOption *option, QPainter *painter,
                       const QWidget *widget) const override;

private:
    bool fusion_ = false;
};

} // namespace ui
