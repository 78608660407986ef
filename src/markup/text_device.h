#pragma once

#include <string>
#include <string_view>
#include <tuple>

#include "markup/colour.h"
#include "markup/draw_codes.h"
#include "markup/geometry.h"
#include "markup/markup_image.h"

namespace vn340 {

struct FontSpec {
    std::string face = "Verdana";
    int height = 16;  // the font's cell height in pixels
    int weight = 400;
    bool italic = false;
    bool underline = false;
    bool strikeout = false;
    friend bool operator==(const FontSpec&, const FontSpec&) = default;
};

// Fonts apart by everything that makes them differ, for the caches of measured fonts. (No
// defaulted ordering on FontSpec: the WebAssembly build's standard library cannot default one
// over strings.)
struct FontSpecOrder {
    bool operator()(const FontSpec& a, const FontSpec& b) const {
        return std::tie(a.face, a.height, a.weight, a.italic, a.underline, a.strikeout) <
               std::tie(b.face, b.height, b.weight, b.italic, b.underline, b.strikeout);
    }
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
    // The bitmap, the strip for a cell, or the picture an icon is made of. An icon's picture is
    // made an icon (its transparent pixels masked) by the device: a tag's picture at the size
    // drawn, smoothly scaled first; a picture of the renderer's image list at its own size,
    // stretched as an icon when drawn at another.
    MarkupImage picture;
    bool listIcon = false;
    Rect rect;
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
    virtual void drawFrame(const Rect& rect, Colour light, Colour dark, int borderStyle,
                           int width) = 0;
    virtual void fillEffect(const Rect& rect, int code, Colour begin, Colour mid, Colour end,
                            int granularity, int tint) = 0;
    virtual void tileImage(const Rect& rect, const MarkupImage& tile) = 0;
    virtual void drawImage(const ImageDrawing& image) = 0;
};

}  // namespace vn340
