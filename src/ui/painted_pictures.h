#pragma once

#include <QColor>
#include <QImage>
#include <QPoint>
#include <QRect>
#include <QSize>

class QPainter;

namespace vn340 {

// The main window paints a logo and, beside the servo speed selector, a mark warning of slow
// servos. Both stand at fixed places of a 644 x 484 design space scaled to the window's outer
// size, in single precision as the window has always computed them.
float layoutScaleX(int outerWidth);
float layoutScaleY(int outerHeight);
// The mark's area in client coordinates, each corner truncated toward zero.
QRect speedWarningRect(const QSize& outerSize);

inline constexpr QPoint kLogoPosition(20, 398);
inline constexpr QPoint kSpeedMarkPosition(110, 227);
// Speed selector positions from this one on ("0.11" and slower) show the mark.
inline constexpr int kSlowSpeedPosition = 10;

// Where a picture of that size at that design position lands, truncated toward zero.
QRect pictureRect(const QPoint& designPosition, const QSize& pictureSize, float scaleX,
                  float scaleY);

QImage logoBitmap();        // 231 x 51, white is transparent
QImage speedWarningMark();  // 16 x 17, magenta is transparent
inline constexpr QRgb kLogoTransparent = 0xFFFFFFFF;
inline constexpr QRgb kMarkTransparent = 0xFFFF00FF;

// The picture with every pixel of the transparent colour made fully transparent.
QImage withTransparentColourCleared(const QImage& picture, QRgb transparent);
// Stretches `image` over `target` pixel for pixel (no smoothing).
void drawPixelForPixel(QPainter& painter, const QImage& image, const QRect& target);
// Both of the above in one: what lies beneath shows wherever the picture has the transparent
// colour.
void drawWithTransparentColour(QPainter& painter, const QImage& picture, QRgb transparent,
                               const QRect& target);

// The two pictures for one window size, as its paint handler draws them.
class PaintedPictures {
  public:
    explicit PaintedPictures(const QSize& outerSize);

    float scaleX() const { return scaleX_; }
    float scaleY() const { return scaleY_; }
    const QRect& warningRect() const { return warningRect_; }
    QRect logoRect() const;

    // The logo, then the mark for a slow speed or else the button-face colour over its area
    // (a selector without a selection is position -1).
    void paint(QPainter& painter, int speedPosition, const QColor& buttonFace) const;

  private:
    float scaleX_;
    float scaleY_;
    QRect warningRect_;
    // Cleared of their transparent colour once, not on every paint.
    QImage logo_;
    QImage mark_;
};

}  // namespace vn340
