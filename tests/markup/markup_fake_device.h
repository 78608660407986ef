#pragma once

// A text device with exact made-up metrics: every character 10 pixels wide (11 at weight
// 700 or more), ascent 8, descent 2, x-height 5, 96 dots per inch. It records what is drawn.

#include <string>
#include <vector>

#include "markup/text_device.h"

namespace vn340::test {

struct DrawnText {
    int x;
    int top;
    std::string text;
    FontSpec font;
    Colour colour;
};

struct DrawnLine {
    int x1, y1, x2, y2;
    Colour colour;
    int style;
    int width;
};

struct DrawnFrame {
    Rect rect;
    Colour light, dark;
    int style;
    int width;
};

struct DrawnFill {
    Rect rect;
    int code;
    Colour begin, mid, end;
};

class FakeTextDevice : public TextDevice {
  public:
    void setFont(const FontSpec& font) override { font_ = font; }
    TextMetrics metrics() override { return TextMetrics{10, 8, 2, 5}; }
    int textWidth(std::string_view text) override {
        return static_cast<int>(text.size()) * (font_.weight >= 700 ? 11 : 10);
    }
    int dpiY() override { return 96; }
    void setTextColours(Colour text, Colour, int) override { colour_ = text; }
    void drawText(int x, int top, std::string_view text) override {
        texts.push_back(DrawnText{x, top, std::string(text), font_, colour_});
    }
    void drawLine(int x1, int y1, int x2, int y2, Colour colour, int style, int width) override {
        lines.push_back(DrawnLine{x1, y1, x2, y2, colour, style, width});
    }
    void drawFrame(const Rect& rect, Colour light, Colour dark, int style, int width) override {
        frames.push_back(DrawnFrame{rect, light, dark, style, width});
    }
    void fillEffect(const Rect& rect, int code, Colour begin, Colour mid, Colour end, int,
                    int) override {
        fills.push_back(DrawnFill{rect, code, begin, mid, end});
    }
    void tileImage(const Rect& rect, const MarkupImage&) override { tiles.push_back(rect); }
    void drawImage(const ImageDrawing& image) override { images.push_back(image); }

    void clear() {
        texts.clear();
        lines.clear();
        frames.clear();
        fills.clear();
        tiles.clear();
        images.clear();
    }

    std::vector<DrawnText> texts;
    std::vector<DrawnLine> lines;
    std::vector<DrawnFrame> frames;
    std::vector<DrawnFill> fills;
    std::vector<Rect> tiles;
    std::vector<ImageDrawing> images;

  private:
    FontSpec font_;
    Colour colour_;
};

}  // namespace vn340::test
