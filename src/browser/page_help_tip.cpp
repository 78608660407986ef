#include "browser/page_help_tip.h"

#include <algorithm>
#include <map>
#include <utility>

#include "base/windows1252.h"
#include "markup/markup_renderer.h"

namespace vn340 {

namespace {

// The text mode the layout asks for when a run's cell is filled behind it.
constexpr int kOpaqueBackground = 2;

std::string utf8Of(std::string_view windows1252) {
    std::u32string wide;
    wide.reserve(windows1252.size());
    for (char c : windows1252) {
        wide.push_back(fromWindows1252(static_cast<unsigned char>(c)));
    }
    return encodeUtf8(wide);
}

// Each font's facts, asked of the page once for both passes: every answer costs a round of
// measuring on the page's canvas.
class FontCache {
  public:
    explicit FontCache(FontFactsSource& source) : source_(source) {}
    const FontFacts& facts(const FontSpec& font) {
        auto it = facts_.find(font);
        if (it == facts_.end()) {
            it = facts_.emplace(font, source_.load(font)).first;
        }
        return it->second;
    }

  private:
    FontFactsSource& source_;
    std::map<FontSpec, FontFacts, FontSpecOrder> facts_;
};

// Measures as the window's device does, summing whole-pixel advances, and writes down what it
// is asked to draw.
class TipRecorder : public TextDevice {
  public:
    TipRecorder(FontCache& fonts, std::deque<TipStep>* steps) : fonts_(fonts), steps_(steps) {}

    void setFont(const FontSpec& font) override {
        font_ = font;
        current_ = nullptr;
    }
    TextMetrics metrics() override { return facts().metrics; }
    int textWidth(std::string_view text) override {
        int width = 0;
        const FontFacts& font = facts();
        for (char c : text) {
            width += font.advance[static_cast<unsigned char>(c)];
        }
        return width;
    }
    int dpiY() override { return 96; }
    void setTextColours(Colour text, Colour back, int backMode) override {
        text_ = text;
        back_ = back;
        backMode_ = backMode;
    }

    void drawText(int x, int top, std::string_view text) override {
        if (steps_ == nullptr || text.empty()) {
            return;
        }
        TipText run{x,           top,   top + facts().metrics.ascent,   textWidth(text),
                    font_,       text_, backMode_ == kOpaqueBackground, back_,
                    utf8Of(text)};
        steps_->emplace_back(std::in_place_type<TipText>, std::move(run));
    }
    void drawLine(int x1, int y1, int x2, int y2, Colour colour, int, int width) override {
        if (steps_ != nullptr) {
            steps_->push_back(TipLine{x1, y1, x2, y2, colour, std::max(1, width)});
        }
    }
    // The light edges above and left, the dark ones below and right.
    void drawFrame(const Rect& rect, Colour light, Colour dark, int, int width) override {
        if (steps_ == nullptr || rect.isEmpty()) {
            return;
        }
        const int w = std::max(1, width);
        steps_->push_back(TipFill{Rect(rect.x(), rect.y(), rect.width(), w), light});
        steps_->push_back(TipFill{Rect(rect.x(), rect.y(), w, rect.height()), light});
        steps_->push_back(TipFill{Rect(rect.x(), rect.bottom() - w + 1, rect.width(), w), dark});
        steps_->push_back(TipFill{Rect(rect.right() - w + 1, rect.y(), w, rect.height()), dark});
    }
    // Gradients and patterns are the window's; the page fills with the first colour.
    void fillEffect(const Rect& rect, int, Colour begin, Colour, Colour, int, int) override {
        if (steps_ != nullptr && !rect.isEmpty()) {
            steps_->push_back(TipFill{rect, begin});
        }
    }
    void tileImage(const Rect&, const MarkupImage&) override {}
    void drawImage(const ImageDrawing&) override {}

  private:
    const FontFacts& facts() {
        if (current_ == nullptr) {
            current_ = &fonts_.facts(font_);
        }
        return *current_;
    }

    FontCache& fonts_;
    std::deque<TipStep>* steps_;
    FontSpec font_;
    const FontFacts* current_ = nullptr;
    Colour text_ = Colour::fromRgb(0, 0, 0);
    Colour back_ = Colour::fromRgb(255, 255, 255);
    int backMode_ = 1;
};

}  // namespace

TipDrawing drawHelpTip(std::string_view markup, int maxWidth, FontFactsSource& fonts) {
    // The window's renderer, without pictures or desktop colours: the page has neither.
    MarkupRenderer renderer;
    renderer.SetMaxWidth(maxWidth);
    FontCache cache(fonts);
    TipRecorder measuring(cache, nullptr);
    TipDrawing drawing;
    drawing.size = renderer.Measure(measuring, markup);
    TipRecorder recording(cache, &drawing.steps);
    renderer.Draw(recording, Rect(0, 0, drawing.size.width(), drawing.size.height()));
    return drawing;
}

}  // namespace vn340
