#pragma once

#include <QRect>
#include <cmath>

// The layout is designed in twips: 15 twips make one pixel at 96 dots per inch. Qt's logical
// pixels already follow the screen's device pixel ratio.
namespace ui {

inline int twipsToPixels(double twips) {
    return static_cast<int>(std::lround(twips / 15.0));
}

inline QRect twipsRect(double left, double top, double width, double height) {
    const int x = twipsToPixels(left);
    const int y = twipsToPixels(top);
    // Right and bottom edges are rounded on their own so adjacent cells share an edge.
    return QRect(x, y, twipsToPixels(left + width) - x, twipsToPixels(top + height) - y);
}

} // namespace ui
