#pragma once

// The markup's GDI-ordered colour to and from Qt's.

#include <QColor>

#include "markup/colour.h"

namespace vn340 {

inline QColor toQColor(Colour c) {
    return QColor(c.red(), c.green(), c.blue());
}
inline Colour toColour(const QColor& c) {
    return Colour::fromRgb(c.red(), c.green(), c.blue());
}

}  // namespace vn340
