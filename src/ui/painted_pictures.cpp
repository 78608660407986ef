#include "ui/painted_pictures.h"

#include <QImageReader>
#include <QPainter>

// Resources of a static library are registered by hand; outside any namespace, as the macro
// declares a global function.
static void initPictureResources() {
    Q_INIT_RESOURCE(pictures);
}

namespace vn340 {

namespace {

// The constants are single precision; the products are taken wider and only the stored
// scales are rounded to single precision.
constexpr float kPerWidth = 0.0015527951f;
constexpr float kPerHeight = 0.0020661156f;

QImage loadPicture(const char* path) {
    initPictureResources();
    // The format named and no other tried: finding out would load every image plugin Qt has,
    // which the window's first paint would wait for.
    QImageReader reader(QString::fromLatin1(path), "png");
    reader.setAutoDetectImageFormat(false);
    return reader.read();
}

}  // namespace

float layoutScaleX(int outerWidth) {
    return static_cast<float>(outerWidth * static_cast<double>(kPerWidth));
}

float layoutScaleY(int outerHeight) {
    return static_cast<float>(outerHeight * static_cast<double>(kPerHeight));
}

QRect speedWarningRect(const QSize& outerSize) {
    const double sx = outerSize.width() * static_cast<double>(kPerWidth);
    const double sy = outerSize.height() * static_cast<double>(kPerHeight);
    const int left = static_cast<int>(static_cast<double>(98.0f) * sx);
    const int top = static_cast<int>(static_cast<double>(219.0f) * sy);
    const int right = static_cast<int>(static_cast<double>(130.0f) * sx);
    const int bottom = static_cast<int>(static_cast<double>(251.0f) * sy);
    return QRect(left, top, right - left, bottom - top);
}

QRect pictureRect(const QPoint& designPosition, const QSize& pictureSize, float scaleX,
                  float scaleY) {
    return QRect(static_cast<int>(static_cast<float>(designPosition.x()) * scaleX),
                 static_cast<int>(static_cast<float>(designPosition.y()) * scaleY),
                 static_cast<int>(static_cast<float>(pictureSize.width()) * scaleX),
                 static_cast<int>(static_cast<float>(pictureSize.height()) * scaleY));
}

QImage logoBitmap() {
    return loadPicture(":/vn340/pictures/logo.png");
}

QImage speedWarningMark() {
    return loadPicture(":/vn340/pictures/slow-servo.png");
}

QImage withTransparentColourCleared(const QImage& picture, QRgb transparent) {
    QImage image = picture.convertToFormat(QImage::Format_ARGB32);
    const QRgb key = transparent | 0xFF000000u;
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            if ((line[x] | 0xFF000000u) == key) {
                line[x] = 0;
            }
        }
    }
    return image;
}

void drawPixelForPixel(QPainter& painter, const QImage& image, const QRect& target) {
    if (image.isNull() || target.isEmpty()) {
        return;
    }
    painter.save();
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter.drawImage(target, image);
    painter.restore();
}

void drawWithTransparentColour(QPainter& painter, const QImage& picture, QRgb transparent,
                               const QRect& target) {
    if (picture.isNull() || target.isEmpty()) {
        return;
    }
    drawPixelForPixel(painter, withTransparentColourCleared(picture, transparent), target);
}

PaintedPictures::PaintedPictures(const QSize& outerSize)
    : scaleX_(layoutScaleX(outerSize.width())),
      scaleY_(layoutScaleY(outerSize.height())),
      warningRect_(speedWarningRect(outerSize)),
      logo_(withTransparentColourCleared(logoBitmap(), kLogoTransparent)),
      mark_(withTransparentColourCleared(speedWarningMark(), kMarkTransparent)) {}

QRect PaintedPictures::logoRect() const {
    return pictureRect(kLogoPosition, logo_.size(), scaleX_, scaleY_);
}

void PaintedPictures::paint(QPainter& painter, int speedPosition, const QColor& buttonFace) const {
    drawPixelForPixel(painter, logo_, logoRect());
    if (speedPosition < kSlowSpeedPosition) {
        painter.fillRect(warningRect_, buttonFace);
    } else {
        drawPixelForPixel(painter, mark_,
                          pictureRect(kSpeedMarkPosition, mark_.size(), scaleX_, scaleY_));
    }
}

}  // namespace vn340
