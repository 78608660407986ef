#pragma once

#include <QImage>
#include <QRegion>

#include "ui/help_tip_placement.h"

class QPainter;

namespace vn340 {

class DrawEffects;

// The tip's background, window-sized at `ratio` device pixels per pixel: the body filled with
// the effect, and the tail area filled with the body's row or column of device pixels nearest
// to it, so the tail continues the body.
QImage tipBackground(const Placement& placement, const TipLook& look, DrawEffects& effects,
                     qreal ratio = 1);

// The grey a shadow darkens with, 0 black to 255 none: the darkness made lighter as the tip
// is more transparent.
int shadowLevel(int darkness, int transparency);

// The window's picture: the snapshot of the screen beneath, darkened by the tip's shadow at
// its offset, with the tip laid over it inside its region at 100 - transparency percent. The
// snapshot may be null (nothing captured), which counts as white. Composed in device pixels
// at the tip picture's device pixel ratio, which the result carries.
QImage composeTip(const QImage& tip, const QRegion& region, const QImage& snapshot,
                  const QSize& windowSize, int transparency, const WindowShadow& shadow);

}  // namespace vn340
