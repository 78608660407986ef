#pragma once

#include <array>
#include <string_view>

#include <QFont>
#include <QString>

#include "markup/text_device.h"
#include "ui/draw_effects.h"

class QPainter;

namespace vn340 {

QString decodeWindows1252(std::string_view text);

// The real device: fonts by name through fontconfig, drawing through DrawEffects. Without a
// painter it only measures. Pictures come as the window's resources hold them (a QImage).
class PainterTextDevice : public TextDevice {
  public:
    PainterTextDevice(QPainter* painter, DrawEffects* effects, int dpi = 96);

    void beginPass() override;
    void endPass() override;
    void setFont(const FontSpec& font) override;
    TextMetrics metrics() override { return current_->metrics; }
    int textWidth(std::string_view text) override;
    int dpiY() override { return dpi_; }
    void setTextColours(Colour text, Colour back, int backMode) override;
    void drawText(int x, int top, std::string_view text) override;
    void drawLine(int x1, int y1, int x2, int y2, Colour colour, int borderStyle,
                  int width) override;
    void drawFrame(const Rect& rect, Colour light, Colour dark, int borderStyle,
                   int width) override;
    void fillEffect(const Rect& rect, int code, Colour begin, Colour mid, Colour end,
                    int granularity, int tint) override;
    void tileImage(const Rect& rect, const MarkupImage& tile) override;
    void drawImage(const ImageDrawing& image) override;

  private:
    struct LoadedFont {
        QFont font;
        TextMetrics metrics;
        std::array<int, 256> advance{};
    };
    static const LoadedFont& load(const FontSpec& spec);

    QPainter* painter_;
    DrawEffects* effects_;
    int dpi_;
    const LoadedFont* current_;
    Colour text_ = Colour::fromRgb(0, 0, 0);
    Colour back_ = Colour::fromRgb(255, 255, 255);
    int backMode_ = 1;
};

}  // namespace vn340
