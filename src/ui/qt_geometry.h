#pragma once

// The markup's plain geometry to and from Qt's, which it follows member for member.

#include <QPoint>
#include <QRect>
#include <QSize>

#include "markup/geometry.h"

namespace vn340 {

inline QPoint toQPoint(Point p) {
    return QPoint(p.x(), p.y());
}
inline QSize toQSize(Size s) {
    return QSize(s.width(), s.height());
}
inline QRect toQRect(const Rect& r) {
    return QRect(r.x(), r.y(), r.width(), r.height());
}

inline Point toPoint(const QPoint& p) {
    return Point(p.x(), p.y());
}
inline Size toSize(const QSize& s) {
    return Size(s.width(), s.height());
}
inline Rect toRect(const QRect& r) {
    return Rect(r.x(), r.y(), r.width(), r.height());
}

}  // namespace vn340
