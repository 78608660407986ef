#include "ui/help_tip_region.h"

#include <cmath>

namespace vn340 {

QRegion roundRectRegion(const QRect& rect, int ew, int eh) {
    if (rect.isEmpty()) {
        return {};
    }
    const double rx = std::min(ew, rect.width()) / 2.0;
    const double ry = std::min(eh, rect.height()) / 2.0;
    if (rx <= 0 || ry <= 0) {
        return QRegion(rect);
    }
    // Row by row: in the corner bands each row is cut where the ellipse crosses its middle.
    QRegion region;
    for (int y = rect.top(); y <= rect.bottom(); ++y) {
        const double mid = y + 0.5;
        double dy = 0;
        if (mid < rect.top() + ry) {
            dy = rect.top() + ry - mid;
        } else if (mid > rect.bottom() + 1 - ry) {
            dy = mid - (rect.bottom() + 1 - ry);
        }
        const double inside = 1.0 - (dy / ry) * (dy / ry);
        const int cut = static_cast<int>(std::lround(rx - rx * std::sqrt(std::max(0.0, inside))));
        region += QRect(rect.left() + cut, y, rect.width() - 2 * cut, 1);
    }
    return region;
}

QPolygon tailTriangle(const Placement& placement, const TipShape& shape) {
    if (!shape.hasTail()) {
        return {};
    }
    using namespace tipdirection;
    const QRect& body = placement.body;
    const QPoint tail = placement.tail;
    const int w = shape.tailWidth;
    const int m = shape.tailOffset;
    const int tailSide = side(placement.direction);
    const bool across = tailSide == kTop || tailSide == kBottom;
    // The base's start along the edge, from the body's start corner.
    const int extent = across ? body.width() : body.height();
    const int along = across ? tail.x() - body.x() : tail.y() - body.y();
    int start = m;
    switch (position(placement.direction)) {
        case kNearEnd:
            start = extent - m - w;
            break;
        case kCentred:
            start = along - w / 2;
            break;
        default:
            break;
    }
    // The base overlaps the body's outermost row or column, so no seam opens between them.
    if (across) {
        const int edge = tailSide == kTop ? body.top() : body.bottom();
        const int x = body.x() + start;
        return QPolygon({QPoint(x, edge), QPoint(x + w, edge), tail});
    }
    const int edge = tailSide == kLeft ? body.left() : body.right();
    const int y = body.y() + start;
    return QPolygon({QPoint(edge, y), QPoint(edge, y + w), tail});
}

QRegion tipRegion(const Placement& placement, const TipShape& shape) {
    QRegion region = roundRectRegion(placement.body, shape.cornerWidth, shape.cornerHeight);
    const QPolygon tail = tailTriangle(placement, shape);
    if (!tail.isEmpty()) {
        region += QRegion(tail);
    }
    return region;
}

QRegion frameRegion(const QRegion& region, int width, int height) {
    QRegion inner = region;
    for (int dx = 1; dx <= width; ++dx) {
        inner &= region.translated(dx, 0);
        inner &= region.translated(-dx, 0);
    }
    for (int dy = 1; dy <= height; ++dy) {
        inner &= region.translated(0, dy);
        inner &= region.translated(0, -dy);
    }
    return region - inner;
}

}  // namespace vn340
