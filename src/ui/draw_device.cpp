#include "ui/draw_device.h"

#include <cmath>

#include <QPaintDevice>
#include <QPainter>
#include <QTransform>

namespace vn340::device {

std::optional<QPoint> ImageOffset(QPainter& dc) {
    if (!dc.isActive() || dc.device() == nullptr || dc.device()->devType() != QInternal::Image) {
        return std::nullopt;
    }
    // On an image of several device pixels per pixel the painter scales by that ratio last.
    const qreal ratio = static_cast<const QImage*>(dc.device())->devicePixelRatio();
    const QTransform t = dc.deviceTransform() * QTransform::fromScale(1 / ratio, 1 / ratio);
    if (t.type() > QTransform::TxTranslate) {
        return std::nullopt;
    }
    return QPoint(static_cast<int>(std::lround(t.dx())), static_cast<int>(std::lround(t.dy())));
}

QImage Read(QPainter& dc, const QRect& area) {
    const std::optional<QPoint> offset = ImageOffset(dc);
    if (!offset || area.isEmpty()) {
        return {};
    }
    if (TooLarge(area.width(), area.height())) {
        return {};
    }
    const auto* image = static_cast<const QImage*>(dc.device());
    const qreal ratio = image->devicePixelRatio();
    const QRect inImage = area.translated(*offset);
    if (ratio == 1) {
        return image->copy(inImage).convertToFormat(QImage::Format_ARGB32);
    }
    // The effects work pixel by pixel: one device pixel of each block stands for the pixel,
    // and Write stretches it back over the block.
    const QRect inDevice(QPoint(static_cast<int>(std::lround(inImage.x() * ratio)),
                                static_cast<int>(std::lround(inImage.y() * ratio))),
                         QPoint(static_cast<int>(std::lround((inImage.right() + 1) * ratio)) - 1,
                                static_cast<int>(std::lround((inImage.bottom() + 1) * ratio)) - 1));
    QImage pixels = image->copy(inDevice)
                        .scaled(area.size(), Qt::IgnoreAspectRatio, Qt::FastTransformation)
                        .convertToFormat(QImage::Format_ARGB32);
    pixels.setDevicePixelRatio(1);
    return pixels;
}

void Write(QPainter& dc, const QPoint& at, const QImage& pixels) {
    if (pixels.isNull()) {
        return;
    }
    dc.save();
    dc.setCompositionMode(QPainter::CompositionMode_Source);
    dc.drawImage(at, pixels);
    dc.restore();
}

}  // namespace vn340::device
