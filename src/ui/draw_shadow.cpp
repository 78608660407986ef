#include <algorithm>
#include <vector>

#include <QPainter>

#include "ui/draw_device.h"
#include "ui/draw_effects.h"

namespace vn340 {

namespace {

constexpr std::uint32_t kRgbMask = 0x00FFFFFF;

int BlueOf(std::uint32_t pixel) {
    return static_cast<int>(pixel & 0xFF);
}

// Darkens the pixels through the mask's blue bytes, stretched into the area inset by half the
// blur and box-filtered over blurX x blurY, as a fraction of white. The window sums are sums
// of whole numbers, exact in doubles however they are formed, so running sums give the very
// factors of a sum per window. The rows are walked in memory order with one running sum per
// column, and only the rows inside the vertical window are kept, so a large shadow needs no
// buffer of its own size.
void DarkenSoft(QImage& pixels, const QImage& shadowMask, int blurX, int blurY) {
    const int w = pixels.width();
    const int h = pixels.height();
    const int innerW = w - blurX;
    const int innerH = h - blurY;
    QImage inner;
    if (innerW > 0 && innerH > 0 && !shadowMask.isNull()) {
        inner = shadowMask.convertToFormat(QImage::Format_ARGB32)
                    .scaled(innerW, innerH, Qt::IgnoreAspectRatio, Qt::FastTransformation);
    }
    const int rx = blurX / 2;
    const int ry = blurY / 2;
    const double whiteRow = 255.0 * blurX;
    std::vector<double> values(static_cast<std::size_t>(w));
    // The horizontal sums of row y; rows outside the stretched mask are white throughout.
    auto across = [&](int y, double* out) {
        const int my = y - ry;
        if (inner.isNull() || my < 0 || my >= innerH) {
            std::fill(out, out + w, whiteRow);
            return;
        }
        std::fill(values.begin(), values.end(), 255.0);
        const std::uint32_t* m = device::Line(inner, my);
        for (int x = 0; x < innerW; ++x)
            values[static_cast<std::size_t>(x + rx)] = BlueOf(m[x]);
        auto value = [&](int x) { return x < 0 || x >= w ? 255.0 : values[x]; };
        double sum = 0;
        for (int k = -rx; k <= rx; ++k)
            sum += value(k);
        for (int x = 0; x < w; ++x) {
            out[x] = sum;
            sum += value(x + rx + 1) - value(x - rx);
        }
    };
    // A row entering the window replaces the one that left it one step before.
    const int ringRows = 2 * ry + 2;
    std::vector<double> ring(static_cast<std::size_t>(ringRows) * w);
    auto slot = [&](int y) { return ring.data() + static_cast<std::size_t>(y % ringRows) * w; };
    std::vector<double> column(static_cast<std::size_t>(w), 0.0);
    for (int k = -ry; k <= ry; ++k) {
        const double* r = nullptr;
        if (k >= 0 && k < h) {
            across(k, slot(k));
            r = slot(k);
        }
        for (int x = 0; x < w; ++x)
            column[x] += r ? r[x] : whiteRow;
    }
    const double full = 255.0 * blurX * blurY;
    for (int y = 0; y < h; ++y) {
        std::uint32_t* p = device::Line(pixels, y);
        for (int x = 0; x < w; ++x)
            p[x] = (p[x] & ~kRgbMask) | Darken(p[x], column[x] / full);
        const int enter = y + ry + 1;
        const int leave = y - ry;
        const double* in = nullptr;
        if (enter < h) {
            across(enter, slot(enter));
            in = slot(enter);
        }
        const double* out = leave >= 0 ? slot(leave) : nullptr;
        for (int x = 0; x < w; ++x)
            column[x] += (in ? in[x] : whiteRow) - (out ? out[x] : whiteRow);
    }
}

int MadeOdd(int blur) {
    blur = std::max(blur, 1);
    return blur % 2 == 0 ? blur + 1 : blur;
}

}  // namespace

void DrawEffects::DrawShadow(QPainter& dc, int x, int y, int w, int h, const QImage& shadowMask,
                             bool soft, int blurX, int blurY) {
    if (w <= 0 || h <= 0)
        return;
    QImage pixels = device::Read(dc, QRect(x, y, w, h));
    if (pixels.isNull())
        return;
    if (soft) {
        DarkenSoft(pixels, shadowMask, MadeOdd(blurX), MadeOdd(blurY));
        device::Write(dc, QPoint(x, y), pixels);
        return;
    }
    std::vector<double> factors(static_cast<std::size_t>(w) * h, 1.0);
    const QImage mask = shadowMask.convertToFormat(QImage::Format_ARGB32);
    for (int row = 0; row < std::min(h, mask.height()); ++row) {
        const std::uint32_t* m = device::Line(mask, row);
        for (int col = 0; col < std::min(w, mask.width()); ++col)
            factors[static_cast<std::size_t>(row) * w + col] = BlueOf(m[col]) / 255.0;
    }
    for (int row = 0; row < h; ++row) {
        std::uint32_t* p = device::Line(pixels, row);
        const double* f = factors.data() + static_cast<std::size_t>(row) * w;
        for (int col = 0; col < w; ++col)
            p[col] = (p[col] & ~kRgbMask) | Darken(p[col], f[col]);
    }
    device::Write(dc, QPoint(x, y), pixels);
}

void DrawEffects::BlendRect(QPainter& dst, int x, int y, int w, int h, const QImage& src, int sx,
                            int sy, int percent) {
    if (w <= 0 || h <= 0 || src.isNull())
        return;
    const QImage source = src.copy(sx, sy, w, h).convertToFormat(QImage::Format_ARGB32);
    if (percent >= 100) {
        device::Write(dst, QPoint(x, y), source);
        return;
    }
    QImage pixels = device::Read(dst, QRect(x, y, w, h));
    if (pixels.isNull())
        return;
    const double p = std::max(percent, 0) * 0.01;
    for (int row = 0; row < h; ++row) {
        std::uint32_t* d = device::Line(pixels, row);
        const std::uint32_t* s = device::Line(source, row);
        for (int col = 0; col < w; ++col)
            d[col] = (d[col] & ~kRgbMask) | Mix(s[col], p, d[col], 1.0 - p);
    }
    device::Write(dst, QPoint(x, y), pixels);
}

void DrawEffects::BlendBySourceAlpha(QPainter& dst, int x, int y, int w, int h, const QImage& src,
                                     int sx, int sy) {
    if (w <= 0 || h <= 0 || src.isNull())
        return;
    QImage pixels = device::Read(dst, QRect(x, y, w, h));
    if (pixels.isNull())
        return;
    const QImage source = src.copy(sx, sy, w, h).convertToFormat(QImage::Format_ARGB32);
    for (int row = 0; row < h; ++row) {
        std::uint32_t* d = device::Line(pixels, row);
        const std::uint32_t* s = device::Line(source, row);
        for (int col = 0; col < w; ++col) {
            const double a = static_cast<double>(s[col] >> 24) / 255.0;
            d[col] = (d[col] & ~kRgbMask) | Mix(s[col], a, d[col], 1.0 - a);
        }
    }
    device::Write(dst, QPoint(x, y), pixels);
}

}  // namespace vn340
