#pragma once

#include <any>

namespace vn340 {

// A picture as the markup sees it: its size, for the layout, and its pixels in whatever form the
// device that draws it keeps them (the window's resources hold a QImage there). The layout
// never looks inside; it hands the picture to the device.
struct MarkupImage {
    int width = 0;
    int height = 0;
    std::any pixels;

    bool isNull() const { return width <= 0 || height <= 0; }
};

}  // namespace vn340
