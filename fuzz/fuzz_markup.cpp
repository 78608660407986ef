// Arbitrary markup through Measure and Draw: made-up metrics, painting into a real image.
#include <cstddef>
#include <cstdint>
#include <string>

#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include "ui/desktop_markup_renderer.h"
#include "ui/draw_effects.h"
#include "ui/painter_text_device.h"

namespace {

// Real drawing through QPainter, but metrics that do not depend on the fonts installed.
class FixedMetricsDevice : public vn340::PainterTextDevice {
  public:
    using PainterTextDevice::PainterTextDevice;
    void setFont(const vn340::FontSpec& font) override {
        weight_ = font.weight;
        PainterTextDevice::setFont(vn340::FontSpec{"Sans", std::min(font.height, 64), font.weight,
                                                   font.italic, font.underline, font.strikeout});
    }
    vn340::TextMetrics metrics() override { return vn340::TextMetrics{10, 8, 2, 5}; }
    int textWidth(std::string_view text) override {
        return static_cast<int>(text.size()) * (weight_ >= 700 ? 11 : 10);
    }

  private:
    int weight_ = 400;
};

QGuiApplication* application() {
    static int argc = 1;
    static char name[] = "fuzz_markup";
    static char* argv[] = {name, nullptr};
    static QGuiApplication* app = new QGuiApplication(argc, argv);
    return app;
}

}  // namespace

// The font database and fontconfig keep caches for the life of the process; they are not
// leaks of the renderer.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig\nleak:libfreetype\nleak:FcLangSetCopy\nleak:QFontDatabase\n";
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    application();
    if (size < 1) {
        return 0;
    }
    // The first byte picks the maximum width, so wrapping is exercised too.
    const int maxWidth = data[0] % 4 == 0 ? 0 : data[0] * 2;
    const std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
    vn340::MarkupRenderer renderer = vn340::desktopMarkupRenderer();
    vn340::DrawEffects effects;
    renderer.SetMaxWidth(maxWidth);
    FixedMetricsDevice measuring(nullptr, &effects);
    const vn340::Size natural = renderer.Measure(measuring, text);
    QImage image(160, 120, QImage::Format_ARGB32);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        FixedMetricsDevice device(&painter, &effects);
        const vn340::Rect rect(2, 2, std::min(natural.width(), 1000),
                               std::min(natural.height(), 1000));
        renderer.Draw(device, rect);
        renderer.OnSetCursor(vn340::Point(10, 10));
        renderer.Draw(device, rect);
    }
    renderer.OnAnimationTick();
    return 0;
}
