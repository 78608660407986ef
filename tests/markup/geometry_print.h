#pragma once

// The markup's geometry in test failures as "(x, y)", "w x h" and "(x, y) w x h".

#include <ostream>

#include "markup/geometry.h"

namespace vn340 {

inline void PrintTo(Point p, std::ostream* os) {
    *os << '(' << p.x() << ", " << p.y() << ')';
}
inline void PrintTo(Size s, std::ostream* os) {
    *os << s.width() << " x " << s.height();
}
inline void PrintTo(const Rect& r, std::ostream* os) {
    *os << '(' << r.x() << ", " << r.y() << ") " << r.width() << " x " << r.height();
}

}  // namespace vn340
