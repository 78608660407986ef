#include "ui/help_tip_paint.h"

#include <algorithm>

#include <QPainter>

#include "ui/draw_effects.h"
#include "ui/markup_style.h"

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

}  // namespace

QImage tipBackground(const Placement& placement, const TipLook& look, DrawEffects& effects) {
    QImage image(placement.window.size(), QImage::Format_ARGB32);
    if (image.isNull()) {
        return image;
    }
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        effects.FillEffect(painter, look.effect, placement.body, look.colours[0], look.colours[1],
                           look.colours[2], look.granularity, 5);
    }
    const TailFill fill = tailFill(placement);
    if (!fill.area.isEmpty()) {
        const QImage line = image.copy(fill.source);
        QPainter painter(&image);
        TileBlit(painter, fill.area.x(), fill.area.y(), fill.area.width(), fill.area.height(), line,
                 0, 0, line.width(), line.height());
    }
    return image;
}

int shadowLevel(int darkness, int transparency) {
    const int m = mulDiv(255, 100 - std::clamp(darkness, 0, 100), 100);
    return m + (255 - m) * std::clamp(transparency, 0, 100) / 100;
}

QImage composeTip(const QImage& tip, const QRegion& region, const QImage& snapshot,
                  const QSize& windowSize, int transparency, const WindowShadow& shadow) {
    QImage out(windowSize, QImage::Format_ARGB32);
    if (out.isNull()) {
        return out;
    }
    out.fill(Qt::white);
    QPainter painter(&out);
    if (!snapshot.isNull()) {
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        painter.drawImage(0, 0, snapshot.convertToFormat(QImage::Format_ARGB32));
        painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    }
    if (shadow.isSet()) {
        const int level = shadowLevel(shadow.darkness, transparency);
        QImage mask(tip.size(), QImage::Format_ARGB32);
        mask.fill(Qt::white);
        {
            QPainter maskPainter(&mask);
            maskPainter.setClipRegion(region);
            maskPainter.fillRect(mask.rect(), QColor(level, level, level));
        }
        DrawEffects::DrawShadow(painter, shadow.dx, shadow.dy, tip.width(), tip.height(), mask,
                                shadow.soft, shadow.blurX, shadow.blurY);
    }
    painter.setClipRegion(region);
    DrawEffects::BlendRect(painter, 0, 0, tip.width(), tip.height(), tip, 0, 0, 100 - transparency);
    return out;
}

}  // namespace vn340
