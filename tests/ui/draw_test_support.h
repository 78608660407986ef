#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include <QImage>
#include <QPainter>

#include "ui/draw_effects.h"

namespace vn340::testing {

// A device of the given size filled with one colour (0xRRGGBB).
inline QImage Canvas(int w, int h, std::uint32_t rgb) {
    QImage image(w, h, QImage::Format_ARGB32);
    image.fill(QColor::fromRgb(0xFF000000u | rgb));
    return image;
}

// Paints on the image through a painter that ends before the pixels are read.
template <typename F>
void Paint(QImage& image, F f) {
    QPainter painter(&image);
    f(painter);
}

inline std::uint32_t Rgb(const QImage& image, int x, int y) {
    return image.pixel(x, y) & 0xFFFFFFu;
}

// Plays back the given values, then `rest` for ever.
inline RandomSource Scripted(std::vector<int> values, int rest = 0) {
    auto next = std::make_shared<std::size_t>(0);
    return [values = std::move(values), rest, next]() {
        return *next < values.size() ? values[(*next)++] : rest;
    };
}

inline RandomSource Constant(int value) {
    return [value]() { return value; };
}

}  // namespace vn340::testing
