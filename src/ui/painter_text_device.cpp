#include "ui/painter_text_device.h"

#include <map>
#include <tuple>

#include <QFontMetrics>
#include <QPainter>

#include "base/windows1252.h"
#include "ui/qt_colour.h"
#include "ui/qt_geometry.h"
#include "ui/qt_markup_resources.h"

namespace vn340 {

QString decodeWindows1252(std::string_view text) {
    QString out(static_cast<qsizetype>(text.size()), Qt::Uninitialized);
    QChar* data = out.data();
    for (std::size_t i = 0; i < text.size(); ++i) {
        // Every character of the code page lies in the Basic Multilingual Plane.
        data[i] =
            QChar(static_cast<char16_t>(fromWindows1252(static_cast<unsigned char>(text[i]))));
    }
    return out;
}

const PainterTextDevice::LoadedFont& PainterTextDevice::load(const FontSpec& spec) {
    static std::map<FontSpec, LoadedFont, FontSpecOrder> cache;
    auto it = cache.find(spec);
    if (it != cache.end()) {
        return it->second;
    }
    QFont font(QString::fromStdString(spec.face));
    // Widths are the sums of single advances, as the layout measures them; kerning and
    // shaping would make drawn text drift from its measured width.
    font.setKerning(false);
    font.setStyleStrategy(QFont::PreferNoShaping);
    // Only fully hinted glyphs advance by whole pixels; lighter hinting places them at
    // fractional positions, and a line would then be drawn narrower than its summed advances,
    // leaving gaps between differently styled pieces and misplacing centred lines.
    font.setHintingPreference(QFont::PreferFullHinting);
    font.setWeight(static_cast<QFont::Weight>(spec.weight));
    font.setItalic(spec.italic);
    font.setUnderline(spec.underline);
    font.setStrikeOut(spec.strikeout);
    // The markup gives the cell height (ascent + descent), Qt takes the em height.
    const int cell = std::max(1, spec.height);
    font.setPixelSize(cell);
    const int natural = std::max(1, QFontMetrics(font).height());
    font.setPixelSize(std::max(1, cell * cell / natural));
    LoadedFont loaded;
    loaded.font = font;
    const QFontMetrics fm(font);
    loaded.metrics = {fm.ascent() + fm.descent(), fm.ascent(), fm.descent(), fm.xHeight()};
    for (int b = 0; b < 256; ++b) {
        const char c = static_cast<char>(b);
        const QString s = decodeWindows1252(std::string_view(&c, 1));
        loaded.advance[static_cast<std::size_t>(b)] = fm.horizontalAdvance(s.front());
    }
    return cache.emplace(spec, std::move(loaded)).first->second;
}

PainterTextDevice::PainterTextDevice(QPainter* painter, DrawEffects* effects, int dpi)
    : painter_(painter), effects_(effects), dpi_(dpi), current_(&load(FontSpec{})) {}

void PainterTextDevice::beginPass() {
    if (painter_ != nullptr) {
        painter_->save();
    }
}

void PainterTextDevice::endPass() {
    if (painter_ != nullptr) {
        painter_->restore();
    }
}

void PainterTextDevice::setFont(const FontSpec& font) {
    current_ = &load(font);
    if (painter_ != nullptr) {
        painter_->setFont(current_->font);
    }
}

int PainterTextDevice::textWidth(std::string_view text) {
    int w = 0;
    for (char c : text) {
        w += current_->advance[static_cast<unsigned char>(c)];
    }
    return w;
}

void PainterTextDevice::setTextColours(Colour text, Colour back, int backMode) {
    text_ = text;
    back_ = back;
    backMode_ = backMode;
}

void PainterTextDevice::drawText(int x, int top, std::string_view text) {
    if (painter_ == nullptr || text.empty()) {
        return;
    }
    if (backMode_ == 2) {
        painter_->fillRect(QRect(x, top, textWidth(text), current_->metrics.height),
                           toQColor(back_));
    }
    painter_->setPen(toQColor(text_));
    painter_->drawText(QPoint(x, top + current_->metrics.ascent), decodeWindows1252(text));
}

void PainterTextDevice::drawLine(int x1, int y1, int x2, int y2, Colour colour, int borderStyle,
                                 int width) {
    if (painter_ != nullptr) {
        DrawEffects::DrawLine(*painter_, x1, y1, x2, y2, colour, borderStyle, width);
    }
}

void PainterTextDevice::drawFrame(const Rect& rect, Colour light, Colour dark, int borderStyle,
                                  int width) {
    if (painter_ != nullptr) {
        DrawEffects::DrawFrame(*painter_, toQRect(rect), light, dark, borderStyle, width);
    }
}

void PainterTextDevice::fillEffect(const Rect& rect, int code, Colour begin, Colour mid, Colour end,
                                   int granularity, int tint) {
    if (painter_ != nullptr && effects_ != nullptr) {
        effects_->FillEffect(*painter_, code, toQRect(rect), begin, mid, end, granularity, tint);
    }
}

void PainterTextDevice::tileImage(const Rect& rect, const MarkupImage& picture) {
    const QImage tile = qImage(picture);
    if (painter_ != nullptr && !tile.isNull()) {
        TileBlit(*painter_, rect.x(), rect.y(), rect.width(), rect.height(), tile, 0, 0,
                 tile.width(), tile.height());
    }
}

namespace {

// A tag's picture becomes an icon at the size it is drawn, smoothly scaled first; a picture of
// the image list becomes one at its own size, and the icon is stretched to the size drawn.
Icon iconOf(const ImageDrawing& image) {
    const QImage picture = qImage(image.picture);
    if (image.listIcon) {
        return Icon::fromImage(picture);
    }
    return Icon::fromImage(picture.scaled(image.rect.width(), image.rect.height(),
                                          Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
}

}  // namespace

void PainterTextDevice::drawImage(const ImageDrawing& image) {
    if (painter_ == nullptr || effects_ == nullptr) {
        return;
    }
    const Rect& r = image.rect;
    switch (image.kind) {
        case ImageDrawing::Kind::bitmap:
            effects_->DrawBitmap(*painter_, r.x(), r.y(), r.width(), r.height(),
                                 qImage(image.picture), image.useKey, image.key, image.style,
                                 image.shadow);
            break;
        case ImageDrawing::Kind::icon:
            effects_->DrawIcon(*painter_, r.x(), r.y(), r.width(), r.height(), iconOf(image),
                               image.style, image.shadow);
            break;
        case ImageDrawing::Kind::cell:
            effects_->DrawImageCell(*painter_, r.x(), r.y(), r.width(), r.height(),
                                    qImage(image.picture), image.index, image.cellW, image.cellH,
                                    image.useKey, image.key, image.style, image.shadow);
            break;
    }
}

}  // namespace vn340
