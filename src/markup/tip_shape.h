#pragma once

// The outline of a help tip around its laid-out text: the window's tip window and the page's
// canvas draw the same balloon.

namespace vn340 {

// The seven sizes of the tip's outline.
struct TipShape {
    int cornerWidth = 0;  // of the corner ellipse
    int cornerHeight = 0;
    int marginX = 3;  // around the text
    int marginY = 1;
    int tailWidth = 0;
    int tailLength = 0;
    int tailOffset = 0;  // from the body's corner

    static constexpr TipShape balloon() { return TipShape{16, 16, 12, 12, 12, 16, 16}; }
    static constexpr TipShape rectangle() { return TipShape{0, 0, 3, 1, 0, 0, 0}; }
    bool hasTail() const { return tailWidth != 0 && tailLength != 0; }
};

}  // namespace vn340
