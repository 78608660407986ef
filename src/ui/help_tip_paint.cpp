#include "ui/help_tip_paint.h"

#include <algorithm>
#include <cmath>

#include <QPainter>

#include "markup/markup_style.h"
#include "ui/draw_effects.h"

namespace vn340 {

namespace {

// The tail's band between the window's edge and the body, and the body's line beside it.
struct TailFill {
    QRect area;
    QRect source;  // one row or one column
};

TailFill tailFill(const Placement& p) {
    const QRect& b = p.body;
    const int w = p.window.width();
    const int h = p.window.height();
    switch (tipdirection::side(p.direction)) {
        case tipdirection::kTop:
            return {QRect(0, 0, w, b.top()), QRect(0, b.top(), w, 1)};
        case tipdirection::kBottom:
            return {QRect(0, b.bottom() + 1, w, h - b.bottom() - 1), QRect(0, b.bottom(), w, 1)};
        case tipdirection::kLeft:
            return {QRect(0, 0, b.left(), h), QRect(b.left(), 0, 1, h)};
        default:
            return {QRect(b.right() + 1, 0, w - b.right() - 1, h), QRect(b.right(), 0, 1, h)};
    }
}

int inPixels(int logical, qreal ratio) {
    return static_cast<int>(std::lround(logical * ratio));
}

QSize inPixels(const QSize& size, qreal ratio) {
    return QSize(inPixels(size.width(), ratio), inPixels(size.height(), ratio));
}

QRect inPixels(const QRect& rect, qreal ratio) {
    return QRect(
        QPoint(inPixels(rect.left(), ratio), inPixels(rect.top(), ratio)),
        QPoint(inPixels(rect.right() + 1, ratio) - 1, inPixels(rect.bottom() + 1, ratio) - 1));
}

QRegion inPixels(const QRegion& region, qreal ratio) {
    if (ratio == 1) {
        return region;
    }
    QRegion out;
    for (const QRect& rect : region) {
        out += inPixels(rect, ratio);
    }
    return out;
}

}  // namespace

QImage tipBackground(const Placement& placement, const TipLook& look, DrawEffects& effects,
                     qreal ratio) {
    QImage image(inPixels(placement.window.size(), ratio), QImage::Format_ARGB32);
    if (image.isNull()) {
        return image;
    }
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        painter.scale(ratio, ratio);
        effects.FillEffect(painter, look.effect, placement.body, look.colours[0], look.colours[1],
                           look.colours[2], look.granularity, 5);
    }
    Placement inDevice = placement;
    inDevice.window = QRect(QPoint(), image.size());
    inDevice.body = inPixels(placement.body, ratio);
    const TailFill fill = tailFill(inDevice);
    if (!fill.area.isEmpty()) {
        const QImage line = image.copy(fill.source);
        QPainter painter(&image);
        TileBlit(painter, fill.area.x(), fill.area.y(), fill.area.width(), fill.area.height(), line,
                 0, 0, line.width(), line.height());
    }
    image.setDevicePixelRatio(ratio);
    return image;
}

int shadowLevel(int darkness, int transparency) {
    const int m = mulDiv(255, 100 - std::clamp(darkness, 0, 100), 100);
    return m + (255 - m) * std::clamp(transparency, 0, 100) / 100;
}

QImage composeTip(const QImage& tip, const QRegion& region, const QImage& snapshot,
                  const QSize& windowSize, int transparency, const WindowShadow& shadow) {
    const qreal ratio = tip.devicePixelRatio();
    QImage out(inPixels(windowSize, ratio), QImage::Format_ARGB32);
    if (out.isNull()) {
        return out;
    }
    out.fill(Qt::white);
    QImage tipPixels = tip;
    tipPixels.setDevicePixelRatio(1);
    const QRegion clip = inPixels(region, ratio);
    {
        QPainter painter(&out);
        if (!snapshot.isNull()) {
            // A screen grab comes at the screen's ratio; a picture of another one is stretched.
            QImage beneath = snapshot.convertToFormat(QImage::Format_ARGB32);
            const qreal stretch = ratio / snapshot.devicePixelRatio();
            beneath.setDevicePixelRatio(1);
            if (stretch != 1) {
                beneath = beneath.scaled(inPixels(beneath.size(), stretch), Qt::IgnoreAspectRatio,
                                         Qt::SmoothTransformation);
            }
            painter.setCompositionMode(QPainter::CompositionMode_Source);
            painter.drawImage(0, 0, beneath);
            painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
        }
        if (shadow.isSet()) {
            const int level = shadowLevel(shadow.darkness, transparency);
            QImage mask(tipPixels.size(), QImage::Format_ARGB32);
            mask.fill(Qt::white);
            {
                QPainter maskPainter(&mask);
                maskPainter.setClipRegion(clip);
                maskPainter.fillRect(mask.rect(), QColor(level, level, level));
            }
            DrawEffects::DrawShadow(painter, inPixels(shadow.dx, ratio), inPixels(shadow.dy, ratio),
                                    tipPixels.width(), tipPixels.height(), mask, shadow.soft,
                                    inPixels(shadow.blurX, ratio), inPixels(shadow.blurY, ratio));
        }
        painter.setClipRegion(clip);
        DrawEffects::BlendRect(painter, 0, 0, tipPixels.width(), tipPixels.height(), tipPixels, 0,
                               0, 100 - transparency);
    }
    out.setDevicePixelRatio(ratio);
    return out;
}

}  // namespace vn340
