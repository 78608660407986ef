#pragma once

namespace vn340 {

// Programs that only draw into files or measure text need no screen. Without a display (and
// without a platform chosen by the caller), Qt is told to draw off screen; call this before
// the application object is made.
void drawOffScreenWithoutDisplay();

}  // namespace vn340
