#include <QPainter>

#include "ui/draw_device.h"
#include "ui/draw_effects.h"

namespace vn340 {

namespace {

constexpr std::uint32_t kRgbMask = 0x00FFFFFF;
constexpr std::uint32_t kWhite = 0x00FFFFFF;

// The device takes the mask with AND, then the image with OR: opaque pixels of the mask
// are black and clear the place the image then fills; white mask pixels keep the device.
void MaskThenPaint(QPainter& dc, int x, int y, const QImage& mask, const QImage& image) {
    QImage pixels = device::Read(dc, QRect(x, y, image.width(), image.height()));
    if (pixels.isNull()) {
        return;
    }
    for (int row = 0; row < pixels.height(); ++row) {
        std::uint32_t* out = device::Line(pixels, row);
        const std::uint32_t* m = device::Line(mask, row);
        const std::uint32_t* in = device::Line(image, row);
        for (int col = 0; col < pixels.width(); ++col) {
            const std::uint32_t rgb = (out[col] & m[col] & kRgbMask) | (in[col] & kRgbMask);
            out[col] = (out[col] & ~kRgbMask) | rgb;
        }
    }
    device::Write(dc, QPoint(x, y), pixels);
}

QImage ScaledTo(const QImage& image, int w, int h) {
    if (image.width() == w && image.height() == h) {
        return image;
    }
    return image.scaled(w, h, Qt::IgnoreAspectRatio, Qt::FastTransformation);
}

bool WantsShadow(unsigned style) {
    return (style & (imagestyle::kHardShadow | imagestyle::kSoftShadow)) != 0;
}

}  // namespace

Icon Icon::fromImage(const QImage& image) {
    Icon icon;
    if (image.isNull()) {
        return icon;
    }
    icon.hotspot = QPoint(image.width() / 2, image.height() / 2);
    icon.mask = QImage(image.size(), QImage::Format_RGB32);
    if (!image.hasAlphaChannel()) {
        icon.colour = image.convertToFormat(QImage::Format_RGB32);
        icon.mask.fill(Qt::black);
        return icon;
    }
    icon.colour = image.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < image.height(); ++y) {
        std::uint32_t* c = device::Line(icon.colour, y);
        std::uint32_t* m = device::Line(icon.mask, y);
        for (int x = 0; x < image.width(); ++x) {
            const bool clear = (c[x] >> 24) == 0;
            if (clear) {
                c[x] = 0;
            }
            m[x] = clear ? 0xFFFFFFFFu : 0xFF000000u;
        }
    }
    return icon;
}

QSize BitmapSize(const QImage& bitmap) {
    return bitmap.isNull() ? QSize(0, 0) : bitmap.size();
}

QSize IconSize(const Icon& icon) {
    if (icon.isNull()) {
        return QSize(0, 0);
    }
    return QSize(2 * icon.hotspot.x(), 2 * icon.hotspot.y());
}

Icon ScaleIcon(const Icon& icon, int w, int h) {
    if (icon.isNull() || w <= 0 || h <= 0 || device::TooLarge(w, h)) {
        return {};
    }
    Icon scaled;
    // The whole bitmaps are stretched: a hot spot off the centre would otherwise cut them.
    scaled.colour = ScaledTo(icon.colour, w, h);
    scaled.mask = ScaledTo(icon.mask, w, h);
    scaled.hotspot = QPoint(w / 2, h / 2);
    return scaled;
}

QImage DrawEffects::ConvertImage(const QImage& bitmap, int w, int h, unsigned style, bool useKey,
                                 Colour keyColour, Colour solidColour) {
    if (bitmap.isNull() || w <= 0 || h <= 0 || device::TooLarge(w, h)) {
        return {};
    }
    QImage out(w, h, QImage::Format_ARGB32);
    if (out.isNull()) {
        return {};
    }
    out.fill(0);
    const bool sourceAlpha = bitmap.hasAlphaChannel();
    const QImage source = bitmap.convertToFormat(QImage::Format_ARGB32);
    const std::uint32_t key = ToPixel(keyColour);
    const std::uint32_t solid = ToPixel(solidColour);
    const int rows = std::min(h, source.height());
    const int cols = std::min(w, source.width());
    for (int y = 0; y < h; ++y) {
        std::uint32_t* o = device::Line(out, y);
        const std::uint32_t* in = y < rows ? device::Line(source, y) : nullptr;
        for (int x = 0; x < w; ++x) {
            std::uint32_t c = in != nullptr && x < cols ? in[x] : 0;
            if (!sourceAlpha) {
                c &= kRgbMask;  // a device bitmap has no alpha byte
            }
            if ((c >> 24) != 0) {
                hasAlpha_ = true;
            }
            std::uint32_t d = 0;
            if (!(useKey && c == key)) {
                d = (style & imagestyle::kGrey) ? ToGray(c) : (c & kRgbMask);
                if (style & imagestyle::kDarker) {
                    d = Darken(d, 0.75);
                }
                if (style & imagestyle::kLighter) {
                    d = Lighten(d, 0.25);
                }
                if (style & imagestyle::kSolidColour) {
                    d = solid;
                }
            }
            if (style & imagestyle::kInvert) {
                d = Invert(d);
            }
            o[x] = (c & ~kRgbMask) | d;
        }
    }
    return out;
}

void DrawEffects::DrawConverted(QPainter& dc, int x, int y, const QImage& image, const QImage& mask,
                                const QImage& shadowMask, unsigned style,
                                const ShadowSettings& shadow) {
    if (image.isNull()) {
        return;
    }
    QPoint at(x, y);
    if (shadow.offset) {
        const QPoint moved(x + shadow.dx, y + shadow.dy);
        if (WantsShadow(style)) {
            DrawShadow(dc, moved.x(), moved.y(), image.width(), image.height(), shadowMask,
                       (style & imagestyle::kSoftShadow) != 0, shadow.blurX, shadow.blurY);
        } else {
            at = moved;
        }
    }
    if (hasAlpha_) {
        BlendBySourceAlpha(dc, at.x(), at.y(), image.width(), image.height(), image, 0, 0);
    } else {
        MaskThenPaint(dc, at.x(), at.y(), mask, image);
    }
}

QImage DrawEffects::ShadowMaskOf(const QImage& source, bool useKey, Colour keyColour,
                                 Colour shadowColour) {
    QImage mask = ConvertImage(source, source.width(), source.height(),
                               imagestyle::kInvert | imagestyle::kSolidColour, useKey, keyColour,
                               Invert(shadowColour));
    if (!source.hasAlphaChannel()) {
        return mask;
    }
    // An image with its own transparency casts a shadow only where it is opaque, not a box.
    const std::uint32_t colour = ToPixel(shadowColour);
    for (int y = 0; y < mask.height(); ++y) {
        std::uint32_t* m = device::Line(mask, y);
        for (int x = 0; x < mask.width(); ++x) {
            const double a = static_cast<double>(m[x] >> 24) / 255.0;
            m[x] = (m[x] & ~kRgbMask) | Mix(colour, a, kWhite, 1.0 - a);
        }
    }
    return mask;
}

void DrawEffects::DrawBitmap(QPainter& dc, int x, int y, int w, int h, const QImage& bitmap,
                             bool useKey, Colour keyColour, unsigned style,
                             const ShadowSettings& shadow) {
    if (bitmap.isNull() || w <= 0 || h <= 0 || device::TooLarge(w, h)) {
        return;
    }
    hasAlpha_ = false;
    const QImage scaled = ScaledTo(bitmap, w, h);
    const QImage mask = ConvertImage(scaled, w, h, imagestyle::kInvert | imagestyle::kSolidColour,
                                     useKey, keyColour, Colour::fromRgb(255, 255, 255));
    const QImage image = ConvertImage(scaled, w, h, style, useKey, keyColour, shadow.colour);
    QImage shadowMask;
    if (shadow.offset && WantsShadow(style)) {
        shadowMask = ShadowMaskOf(scaled, useKey, keyColour, shadow.colour);
    }
    DrawConverted(dc, x, y, image, mask, shadowMask, style, shadow);
}

void DrawEffects::DrawIcon(QPainter& dc, int x, int y, int w, int h, const Icon& icon,
                           unsigned style, const ShadowSettings& shadow) {
    if (icon.isNull() || w <= 0 || h <= 0 || device::TooLarge(w, h)) {
        return;
    }
    hasAlpha_ = false;
    const Icon copy = IconSize(icon) == QSize(w, h) && icon.colour.size() == QSize(w, h)
                          ? icon
                          : ScaleIcon(icon, w, h);
    const Colour white = Colour::fromRgb(255, 255, 255);
    const QImage image =
        (style & imagestyle::kSolidColour)
            ? ConvertImage(copy.mask, w, h, style, true, white, shadow.colour)
            : ConvertImage(copy.colour, w, h, style, true, Colour{}, shadow.colour);
    QImage shadowMask;
    if (shadow.offset && WantsShadow(style)) {
        shadowMask = ShadowMaskOf(copy.mask, true, white, shadow.colour);
    }
    const QImage mask = copy.mask.convertToFormat(QImage::Format_ARGB32);
    DrawConverted(dc, x, y, image, mask, shadowMask, style, shadow);
}

void DrawEffects::DrawImageCell(QPainter& dc, int x, int y, int w, int h, const QImage& strip,
                                int index, int cellW, int cellH, bool useKey, Colour keyColour,
                                unsigned style, const ShadowSettings& shadow) {
    if (strip.isNull() || cellW <= 0 || cellH <= 0 || index < 0) {
        return;
    }
    const int columns = strip.width() / cellW;
    const int rows = strip.height() / cellH;
    if (columns == 0 || rows == 0 || index >= columns * rows) {
        return;
    }
    const QImage cell =
        strip.copy((index % columns) * cellW, (index / columns) * cellH, cellW, cellH);
    DrawBitmap(dc, x, y, w, h, cell, useKey, keyColour, style, shadow);
}

}  // namespace vn340
