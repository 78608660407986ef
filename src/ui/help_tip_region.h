#pragma once

#include <QPolygon>
#include <QRect>
#include <QRegion>

#include "ui/help_tip_placement.h"

namespace vn340 {

// The pixels of `rect` with corners rounded by an ellipse of ew x eh.
QRegion roundRectRegion(const QRect& rect, int ew, int eh);

// The tail: its point at the placement's tail point, its base on the body's edge, W wide, M
// from the named corner (or centred on the point). Empty when the shape has no tail.
QPolygon tailTriangle(const Placement& placement, const TipShape& shape);

// Body and tail, window coordinates.
QRegion tipRegion(const Placement& placement, const TipShape& shape);

// The band `width` pixels wide and `height` pixels high just inside the region's outline.
QRegion frameRegion(const QRegion& region, int width, int height);

}  // namespace vn340
