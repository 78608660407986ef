#include "ui/draw_device.h"

#include <cmath>

#include <QPaintDevice>
#include <QPainter>
#include <QTransform>

namespace vn340::device {

std::optional<QPoint> ImageOffset(QPainter& dc) {
    if (!dc.isActive() || dc.device() == nullptr || dc.device()->devType() != QInternal::Image)
        return std::nullopt;
    const QTransform t = dc.deviceTransform();
    if (t.type() > QTransform::TxTranslate)
        return std::nullopt;
    return QPoint(static_cast<int>(std::lround(t.dx())), static_cast<int>(std::lround(t.dy())));
}

QImage Read(QPainter& dc, const QRect& area) {
    const std::optional<QPoint> offset = ImageOffset(dc);
    if (!offset || area.isEmpty())
        return {};
    if (TooLarge(area.width(), area.height()))
        return {};
    const auto* image = static_cast<const QImage*>(dc.device());
    return image->copy(area.translated(*offset)).convertToFormat(QImage::Format_ARGB32);
}

void Write(QPainter& dc, const QPoint& at, const QImage& pixels) {
    if (pixels.isNull())
        return;
    dc.save();
    dc.setCompositionMode(QPainter::CompositionMode_Source);
    dc.drawImage(at, pixels);
    dc.restore();
}

}  // namespace vn340::device
