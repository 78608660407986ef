#pragma once

// Reading back and writing to the image a painter is drawing on, for the effects that work
// pixel by pixel. Internal to the drawing effects.

#include <cstdint>
#include <optional>

#include <QImage>
#include <QPoint>
#include <QRect>

class QPainter;

namespace vn340::device {

// Far beyond any help tip. Larger work areas are refused (nothing is drawn, as after a failed
// allocation), so a runaway size in a help text cannot take the whole memory.
inline constexpr long long kMaxPixels = 1LL << 26;

inline bool TooLarge(int w, int h) {
    return static_cast<long long>(w) * h > kMaxPixels;
}

// The painter's translation (logical pixels) when it is active on an image and does not scale
// or rotate beyond the image's device pixel ratio.
std::optional<QPoint> ImageOffset(QPainter& dc);

// A Format_ARGB32 copy of the device area (logical coordinates), one pixel per logical pixel
// whatever the image's device pixel ratio; pixels outside the device read as 0. Null when the
// painter is not on an image.
QImage Read(QPainter& dc, const QRect& area);

// Puts the pixels back unchanged (no blending), within the painter's clip; on an image of
// several device pixels per pixel each covers its block.
void Write(QPainter& dc, const QPoint& at, const QImage& pixels);

inline std::uint32_t* Line(QImage& image, int y) {
    return reinterpret_cast<std::uint32_t*>(image.scanLine(y));
}
inline const std::uint32_t* Line(const QImage& image, int y) {
    return reinterpret_cast<const std::uint32_t*>(image.constScanLine(y));
}

}  // namespace vn340::device
