#include "ui/draw_effects.h"

#include <memory>
#include <random>

#include <QPaintDevice>
#include <QPainter>
#include <QTransform>

#include "ui/qt_colour.h"

namespace vn340 {

namespace {

RandomSource DefaultRandomSource() {
    auto engine = std::make_shared<std::mt19937>(std::random_device{}());
    return [engine]() { return std::uniform_int_distribution<int>(0, 32767)(*engine); };
}

// The part of the area the painter's device can show; a small tile over a huge area would
// otherwise be drawn millions of times for nothing.
QRect VisiblePart(QPainter& dc, const QRect& area) {
    const QPaintDevice* device = dc.device();
    const QTransform t = dc.deviceTransform();
    if (device == nullptr || t.type() > QTransform::TxTranslate) {
        return area;
    }
    const QRect visible(static_cast<int>(-t.dx()), static_cast<int>(-t.dy()), device->width(),
                        device->height());
    return area.intersected(visible.adjusted(-1, -1, 1, 1));
}

}  // namespace

DrawEffects::DrawEffects() : random_(DefaultRandomSource()) {}

void DrawEffects::SetRandomSource(RandomSource source) {
    random_ = source ? std::move(source) : DefaultRandomSource();
}

int DrawEffects::Random() {
    return random_() & 0x7FFF;
}

namespace {

// Two gradients meeting in the middle, side by side or one above the other.
void DrawHalves(QPainter& dc, const QRect& rect, bool horizontal, Colour from, Colour middle,
                Colour to) {
    const int halfW = rect.width() / 2;
    const int halfH = rect.height() / 2;
    const QRect first = horizontal ? QRect(rect.x(), rect.y(), halfW, rect.height())
                                   : QRect(rect.x(), rect.y(), rect.width(), halfH);
    const QRect second =
        horizontal ? QRect(rect.x() + halfW, rect.y(), rect.width() - halfW, rect.height())
                   : QRect(rect.x(), rect.y() + halfH, rect.width(), rect.height() - halfH);
    DrawEffects::DrawGradient(dc, first, from, middle, horizontal);
    DrawEffects::DrawGradient(dc, second, middle, to, horizontal);
}

// The gradient effects; false for any other.
bool DrawGradientEffect(QPainter& dc, int code, const QRect& rect, Colour begin, Colour mid,
                        Colour end) {
    switch (code) {
        case effect::kHGradient:
        case effect::kVGradient:
            DrawEffects::DrawGradient(dc, rect, begin, end, code == effect::kHGradient);
            return true;
        case effect::kHCGradient:
        case effect::kVCGradient:
            DrawHalves(dc, rect, code == effect::kHCGradient, begin, end, begin);
            return true;
        case effect::k3HGradient:
        case effect::k3VGradient:
            DrawHalves(dc, rect, code == effect::k3HGradient, begin, mid, end);
            return true;
        default:
            return false;
    }
}

}  // namespace

void DrawEffects::FillEffect(QPainter& dc, int code, const QRect& rect, Colour begin, Colour mid,
                             Colour end, int granularity, int tint) {
    if (code == effect::kTransparent || rect.width() <= 0 || rect.height() <= 0) {
        return;
    }
    if (DrawGradientEffect(dc, code, rect, begin, mid, end)) {
        return;
    }
    if (code >= effect::kNoise && code <= effect::kMetal) {
        // Only the part the device can show is built: a pattern costs work per pixel, and a
        // table background may be far larger than any window.
        const QRect part = VisiblePart(dc, rect).translated(-rect.topLeft());
        if (!part.isEmpty() &&
            DrawPatternPart(rect.size(), part, code, granularity, tint, begin, mid, end)) {
            indexedBitmap_.Draw(dc, rect.x() + part.x(), rect.y() + part.y());
        }
        return;
    }
    dc.fillRect(rect, toQColor(begin));
}

void DrawEffects::DrawGradient(QPainter& dc, const QRect& rect, Colour from, Colour to,
                               bool horizontal) {
    const int extent = horizontal ? rect.width() : rect.height();
    if (extent <= 0 || rect.width() <= 0 || rect.height() <= 0) {
        return;
    }
    const auto band = [](int a, int b, int s) { return (a * (64 - s) + b * s) >> 6; };
    for (int s = 0; s < 64; ++s) {
        // 64-bit: a very long rectangle times 64 would not fit an int.
        const int from0 = static_cast<int>((static_cast<long long>(s) * extent) >> 6);
        const int from1 = static_cast<int>((static_cast<long long>(s + 1) * extent) >> 6);
        if (from1 == from0) {
            continue;
        }
        const QColor colour(band(from.red(), to.red(), s), band(from.green(), to.green(), s),
                            band(from.blue(), to.blue(), s));
        const QRect bandRect = horizontal
                                   ? QRect(rect.x() + from0, rect.y(), from1 - from0, rect.height())
                                   : QRect(rect.x(), rect.y() + from0, rect.width(), from1 - from0);
        dc.fillRect(bandRect, colour);
    }
}

void TileBlit(QPainter& dst, int x, int y, int w, int h, const QImage& src, int sx, int sy,
              int tileW, int tileH) {
    if (w <= 0 || h <= 0 || tileW <= 0 || tileH <= 0 || src.isNull()) {
        return;
    }
    const QRect shown = VisiblePart(dst, QRect(x, y, w, h));
    if (shown.isEmpty()) {
        return;
    }
    const long long right = static_cast<long long>(x) + w;
    const long long bottom = static_cast<long long>(y) + h;
    dst.save();
    dst.setCompositionMode(QPainter::CompositionMode_Source);
    for (long long ty = y + static_cast<long long>((shown.top() - y) / tileH) * tileH;
         ty <= shown.bottom(); ty += tileH) {
        const int ch = static_cast<int>(std::min<long long>(tileH, bottom - ty));
        for (long long tx = x + static_cast<long long>((shown.left() - x) / tileW) * tileW;
             tx <= shown.right(); tx += tileW) {
            const int cw = static_cast<int>(std::min<long long>(tileW, right - tx));
            dst.drawImage(QPoint(static_cast<int>(tx), static_cast<int>(ty)), src,
                          QRect(sx, sy, cw, ch));
        }
    }
    dst.restore();
}

}  // namespace vn340
