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

// Sums of a window [i - radius, i + radius] over n values, with values outside counting as
// `outside`; from prefix sums, so the cost does not depend on the radius.
void WindowSums(const double* values, int n, int stride, int radius, double outside,
                std::vector<double>& prefix, double* sums) {
    prefix.assign(static_cast<std::size_t>(n) + 1, 0.0);
    for (int i = 0; i < n; ++i)
        prefix[i + 1] = prefix[i] + values[i * stride];
    const int window = 2 * radius + 1;
    for (int i = 0; i < n; ++i) {
        const int lo = std::max(0, i - radius);
        const int hi = std::min(n - 1, i + radius);
        sums[i * stride] = prefix[hi + 1] - prefix[lo] + outside * (window - (hi - lo + 1));
    }
}

// Darkening factor per pixel: the blue bytes of the mask, stretched into the area inset by
// half the blur and box-filtered over blurX x blurY, as a fraction of white.
std::vector<double> SoftFactors(const QImage& shadowMask, int w, int h, int blurX, int blurY) {
    std::vector<double> blue(static_cast<std::size_t>(w) * h, 255.0);
    const int innerW = w - blurX;
    const int innerH = h - blurY;
    if (innerW > 0 && innerH > 0 && !shadowMask.isNull()) {
        const QImage inner =
            shadowMask.convertToFormat(QImage::Format_ARGB32)
                .scaled(innerW, innerH, Qt::IgnoreAspectRatio, Qt::FastTransformation);
        for (int y = 0; y < innerH; ++y) {
            const std::uint32_t* m = device::Line(inner, y);
            double* row = blue.data() + static_cast<std::size_t>(y + blurY / 2) * w + blurX / 2;
            for (int x = 0; x < innerW; ++x)
                row[x] = BlueOf(m[x]);
        }
    }
    std::vector<double> across(blue.size());
    std::vector<double> prefix;
    for (int y = 0; y < h; ++y) {
        const std::size_t at = static_cast<std::size_t>(y) * w;
        WindowSums(blue.data() + at, w, 1, blurX / 2, 255.0, prefix, across.data() + at);
    }
    for (int x = 0; x < w; ++x)
        WindowSums(across.data() + x, h, w, blurY / 2, 255.0 * blurX, prefix, blue.data() + x);
    const double full = 255.0 * blurX * blurY;
    for (double& v : blue)
        v /= full;
    return blue;
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
    std::vector<double> factors;
    if (soft) {
        factors = SoftFactors(shadowMask, w, h, MadeOdd(blurX), MadeOdd(blurY));
    } else {
        factors.assign(static_cast<std::size_t>(w) * h, 1.0);
        const QImage mask = shadowMask.convertToFormat(QImage::Format_ARGB32);
        for (int row = 0; row < std::min(h, mask.height()); ++row) {
            const std::uint32_t* m = device::Line(mask, row);
            for (int col = 0; col < std::min(w, mask.width()); ++col)
                factors[static_cast<std::size_t>(row) * w + col] = BlueOf(m[col]) / 255.0;
        }
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
