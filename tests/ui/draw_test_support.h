#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <span>
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

// A device of the given size and colour, as `f` leaves it after painting on it.
template <typename F>
QImage Painted(int w, int h, std::uint32_t rgb, F f) {
    QImage image = Canvas(w, h, rgb);
    Paint(image, f);
    return image;
}

inline std::uint32_t Rgb(const QImage& image, int x, int y) {
    return image.pixel(x, y) & 0xFFFFFFu;
}

// An image of the given pixels (0xAARRGGBB), row by row.
inline QImage ImageOf(int w, int h, std::initializer_list<QRgb> pixels,
                      QImage::Format format = QImage::Format_ARGB32) {
    QImage image(w, h, format);
    int i = 0;
    for (QRgb pixel : pixels) {
        image.setPixel(i % w, i / w, pixel);
        ++i;
    }
    return image;
}

// What a pixel of the device should show (0xRRGGBB), and where.
struct Pixel {
    int x, y;
    std::uint32_t rgb;
};

inline void ExpectPixels(const QImage& image, std::span<const Pixel> pixels) {
    for (const Pixel& p : pixels) {
        EXPECT_EQ(Rgb(image, p.x, p.y), p.rgb) << "at " << p.x << "," << p.y;
    }
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
