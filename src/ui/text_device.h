#pragma once

#include <array>
#include <map>
#include <string>
#include <string_view>

#include <QFont>
#include <QImage>
#include <QRect>
#include <QString>

#include "ui/colour.h"
#include "ui/draw_effects.h"

class QPainter;

namespace vn340 {

struct FontSpec {
    std::string face = "Verdana";
    int height = 16;  // the font's cell height in pixels
    int weight = 400;
    bool italic = false;
    bool underline = false;
    bool strikeout = false;
    friend bool operator==(const FontSpec&, const FontSpec&) = default;
    friend auto operator<=>(const FontSpec&, const FontSpec&) = default;
};

struct TextMetrics {
    int height = 0;  // ascent + descent
    int ascent = 0;
    int descent = 0;
    int xHeight = 0;
};

// One image as the layout asks for it to be painted.
struct ImageDrawing {
    enum class Kind { bitmap, icon, cell };
    Kind kind = Kind::bitmap;
    QImage bitmap;  // the bitmap, or the strip for a cell
    Icon icon;
    QRect rect;
    int index = 0;
    int cellW = 0;
    int cellH = 0;
    bool useKey = false;
    Colour key = Colour::fromRgb(255, 0, 255);
    unsigned style = 0;
    ShadowSettings shadow;
};

// Everything the markup layout measures and paints through. Texts are single-byte
// (Windows-1252) as the markup is; rectangles are x, y, width, height.
class TextDevice {
  public:
    virtual ~TextDevice() = default;

    virtual void beginPass() {}
    virtual void endPass() {}

    virtual void setFont(const FontSpec& font) = 0;
    virtual TextMetrics metrics() = 0;
    virtual int textWidth(std::string_view text) = 0;
    virtual int dpiY() = 0;
    virtual void setTextColours(Colour text, Colour back, int backMode) = 0;

    // `top` is the top of the text cell; the baseline lies `metrics().ascent` below it.
    virtual void drawText(int x, int top, std::string_view text) = 0;
    // End points inclusive.
    virtual void drawLine(int x1, int y1, int x2, int y2, Colour colour, int borderStyle,
                          int width) = 0;
    virtual void drawFrame(const QRect& rect, Colour light, Colour dark, int borderStyle,
                           int width) = 0;
    virtual void fillEffect(const QRect& rect, int code, Colour begin, Colour mid, Colour end,
                            int granularity, int tint) = 0;
    virtual void tileImage(const QRect& rect, const QImage& tile) = 0;
    virtual void drawImage(const ImageDrawing& image) = 0;
};

QString decodeWindows1252(std::string_view text);

// The real device: fonts by name through fontconfig, drawing through DrawEffects. Without a
// painter it only measures.
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
    void drawFrame(const QRect& rect, Colour light, Colour dark, int borderStyle,
                   int width) override;
    void fillEffect(const QRect& rect, int code, Colour begin, Colour mid, Colour end,
                    int granularity, int tint) override;
    void tileImage(const QRect& rect, const QImage& tile) override;
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
