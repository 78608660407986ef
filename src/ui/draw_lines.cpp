#include <QPainter>
#include <QPen>
#include <QPolygon>

#include "ui/draw_effects.h"
#include "ui/qt_colour.h"

namespace vn340 {

namespace {

QPen BorderPen(Colour colour, int borderStyle, int width) {
    Qt::PenStyle style = Qt::SolidLine;
    if (borderStyle == border::kDashed) {
        style = Qt::DashLine;
    }
    if (borderStyle == border::kDotted) {
        style = Qt::DotLine;
    }
    return QPen(toQColor(colour), width, style, Qt::SquareCap, Qt::MiterJoin);
}

void StrokeFrame(QPainter& dc, const QRect& rect, const QPen& lightPen, const QPen& darkPen,
                 int width) {
    const int half = width / 2;
    const int l = rect.left() + half;
    const int t = rect.top() + half;
    const int r = rect.right() - half;
    const int b = rect.bottom() - half;
    dc.setPen(lightPen);
    dc.drawPolyline(QPolygon({QPoint(l, b), QPoint(l, t), QPoint(r, t)}));
    dc.setPen(darkPen);
    dc.drawPolyline(QPolygon({QPoint(r, t), QPoint(r, b), QPoint(l, b)}));
}

}  // namespace

void DrawEffects::DrawFrame(QPainter& dc, const QRect& rect, Colour light, Colour dark,
                            int borderStyle, int width) {
    if (borderStyle == border::kNone || width <= 0) {
        return;
    }
    dc.save();
    dc.setRenderHint(QPainter::Antialiasing, false);
    const QPen lightPen = BorderPen(light, borderStyle, width);
    const QPen darkPen = light == dark ? lightPen : BorderPen(dark, borderStyle, width);
    StrokeFrame(dc, rect, lightPen, darkPen, width);
    if (borderStyle == border::kDouble) {
        const int inset = 2 * width;
        const QRect inner = rect.adjusted(inset, inset, -inset, -inset);
        if (inner.width() > 0 && inner.height() > 0) {
            StrokeFrame(dc, inner, lightPen, darkPen, width);
        }
    }
    dc.restore();
}

void DrawEffects::DrawLine(QPainter& dc, int x1, int y1, int x2, int y2, Colour colour,
                           int borderStyle, int width) {
    if (borderStyle == border::kNone || width <= 0) {
        return;
    }
    dc.save();
    dc.setRenderHint(QPainter::Antialiasing, false);
    dc.setPen(BorderPen(colour, borderStyle, width));
    dc.drawLine(x1, y1, x2, y2);
    if (borderStyle == border::kDouble) {
        // The twin goes below a line that runs across and to the right of an upright one.
        if (x1 != x2) {
            y1 += 2 * width;
            y2 += 2 * width;
        }
        if (y1 != y2) {
            x1 += 2 * width;
            x2 += 2 * width;
        }
        dc.drawLine(x1, y1, x2, y2);
    }
    dc.restore();
}

}  // namespace vn340
