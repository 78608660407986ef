#pragma once

#include "markup/markup_renderer.h"

class QPalette;

namespace vn340 {

// The desktop colour names with their values in `palette`.
MarkupRenderer::SystemColours systemColours(const QPalette& palette);

// The window's renderer: pictures from Qt's resources, the desktop colour names from the
// palette (the application's when there is one) and links opened by the desktop's browser.
MarkupRenderer desktopMarkupRenderer();
MarkupRenderer desktopMarkupRenderer(const QPalette& palette);

}  // namespace vn340
