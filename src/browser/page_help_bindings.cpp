// The help tips' face to the page's script: which of the page's controls has help, the plain
// text a screen reader reads, and a tip's drawing steps, laid out with the fonts the page's
// canvas measures.

#include <emscripten/bind.h>
#include <emscripten/val.h>

#include <array>
#include <string>
#include <string_view>
#include <utility>

#include "browser/page_help_tip.h"
#include "controls/help_texts.h"
#include "markup/markup_plain_text.h"
#include "markup/tip_shape.h"

namespace vn340 {
namespace {

using emscripten::val;

// The page's names of the controls that explain themselves. The page has no "Detect": it
// offers the ports the browser grants.
constexpr auto kControlKeys = std::to_array<std::pair<std::string_view, Control>>({
    {"highEndpoint", Control::HighEndpoint},
    {"lowEndpoint", Control::LowEndpoint},
    {"midpointTrim", Control::MidpointTrim},
    {"stickDeadband", Control::StickDeadband},
    {"servo", Control::ServoSelector},
    {"avcsExpo", Control::AvcsExpo},
    {"rateExpo", Control::RateExpo},
    {"normal", Control::NormalButton},
    {"reverse", Control::ReverseButton},
    {"port", Control::PortSelector},
    {"type", Control::TypeSelector},
    {"speed", Control::SpeedSelector},
    {"cwStopGain", Control::CwStopGain},
    {"ccwStopGain", Control::CcwStopGain},
    {"avcsSensitivity", Control::AvcsSensitivity},
    {"accel", Control::AccelProfile},
    {"decel", Control::DecelProfile},
    {"load-file", Control::LoadFromFile},
    {"save-file", Control::SaveToFile},
    {"store", Control::StoreToGyro},
    {"read", Control::ReadFromGyro},
    {"load-defaults", Control::LoadDefaults},
    {"userComments", Control::UserComments},
});

const char* helpOfKey(const std::string& key) {
    for (const auto& [name, control] : kControlKeys) {
        if (name == key) {
            return helpTextFor(control);
        }
    }
    return nullptr;
}

std::string cssColour(Colour c) {
    return "rgb(" + std::to_string(c.red()) + "," + std::to_string(c.green()) + "," +
           std::to_string(c.blue()) + ")";
}

val fontOf(const FontSpec& font) {
    val spec = val::object();
    spec.set("face", font.face);
    spec.set("height", font.height);
    spec.set("weight", font.weight);
    spec.set("italic", font.italic);
    spec.set("underline", font.underline);
    spec.set("strikeout", font.strikeout);
    return spec;
}

// The page's `fonts.load(spec)` answers {ascent, descent, xHeight, advances: 256 numbers}.
class CanvasFonts : public FontFactsSource {
  public:
    explicit CanvasFonts(val fonts) : fonts_(std::move(fonts)) {}

    FontFacts load(const FontSpec& font) override {
        const val answer = fonts_.call<val>("load", fontOf(font));
        FontFacts facts;
        facts.metrics.ascent = answer["ascent"].as<int>();
        facts.metrics.descent = answer["descent"].as<int>();
        facts.metrics.height = facts.metrics.ascent + facts.metrics.descent;
        facts.metrics.xHeight = answer["xHeight"].as<int>();
        const val advances = answer["advances"];
        for (std::size_t i = 0; i < facts.advance.size(); ++i) {
            facts.advance[i] = advances[static_cast<int>(i)].as<int>();
        }
        return facts;
    }

  private:
    val fonts_;
};

val stepOf(const TipStep& step) {
    val out = val::object();
    if (const auto* text = std::get_if<TipText>(&step)) {
        out.set("kind", "text");
        out.set("x", text->x);
        out.set("top", text->top);
        out.set("baseline", text->baseline);
        out.set("width", text->width);
        out.set("font", fontOf(text->font));
        out.set("colour", cssColour(text->colour));
        out.set("back", text->filled ? val(cssColour(text->back)) : val::null());
        out.set("text", text->text);
    } else if (const auto* line = std::get_if<TipLine>(&step)) {
        out.set("kind", "line");
        out.set("x1", line->x1);
        out.set("y1", line->y1);
        out.set("x2", line->x2);
        out.set("y2", line->y2);
        out.set("colour", cssColour(line->colour));
        out.set("width", line->width);
    } else if (const auto* fill = std::get_if<TipFill>(&step)) {
        out.set("kind", "fill");
        out.set("x", fill->rect.x());
        out.set("y", fill->rect.y());
        out.set("width", fill->rect.width());
        out.set("height", fill->rect.height());
        out.set("colour", cssColour(fill->colour));
    }
    return out;
}

// [{control, text}] for every control of the page that has help; `text` is what a screen
// reader reads.
val helpTips() {
    val tips = val::array();
    for (const auto& [key, control] : kControlKeys) {
        if (const char* text = helpTextFor(control)) {
            val tip = val::object();
            tip.set("control", std::string(key));
            tip.set("text", markupPlainText(text));
            tips.call<void>("push", tip);
        }
    }
    return tips;
}

// The tip of the page's control `key` laid out no wider than `maxWidth`, or null for a control
// without help: {width, height, steps, shape}.
val helpTip(const std::string& key, int maxWidth, val fonts) {
    const char* text = helpOfKey(key);
    if (text == nullptr) {
        return val::null();
    }
    CanvasFonts source(std::move(fonts));
    const TipDrawing drawing = drawHelpTip(text, maxWidth, source);
    val steps = val::array();
    for (const TipStep& step : drawing.steps) {
        steps.call<void>("push", stepOf(step));
    }
    const TipShape balloon = TipShape::balloon();
    val shape = val::object();
    shape.set("cornerWidth", balloon.cornerWidth);
    shape.set("cornerHeight", balloon.cornerHeight);
    shape.set("marginX", balloon.marginX);
    shape.set("marginY", balloon.marginY);
    shape.set("tailWidth", balloon.tailWidth);
    shape.set("tailLength", balloon.tailLength);
    shape.set("tailOffset", balloon.tailOffset);
    val tip = val::object();
    tip.set("width", drawing.size.width());
    tip.set("height", drawing.size.height());
    tip.set("steps", steps);
    tip.set("shape", shape);
    return tip;
}

}  // namespace
}  // namespace vn340

EMSCRIPTEN_BINDINGS(vn340_help) {
    emscripten::function("helpTips", &vn340::helpTips);
    emscripten::function("helpTip", &vn340::helpTip);
}
