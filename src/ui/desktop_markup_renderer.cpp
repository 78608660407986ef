#include "ui/desktop_markup_renderer.h"

#include <QDesktopServices>
#include <QGuiApplication>
#include <QPalette>
#include <QUrl>

#include "ui/painter_text_device.h"
#include "ui/qt_colour.h"
#include "ui/qt_markup_resources.h"

namespace vn340 {

MarkupRenderer::SystemColours systemColours(const QPalette& p) {
    auto c = [&p](QPalette::ColorGroup g, QPalette::ColorRole r) {
        return toColour(p.color(g, r));
    };
    using G = QPalette;
    const Colour face = c(G::Active, G::Button);
    const Colour light = c(G::Active, G::Light);
    const Colour shadow = c(G::Active, G::Mid);
    const Colour dark = c(G::Active, G::Shadow);
    const Colour highlight = c(G::Active, G::Highlight);
    const Colour inactiveHighlight = c(G::Inactive, G::Highlight);
    return {
        {"activeborder", face},
        {"activecaption", highlight},
        {"appworkspace", c(G::Active, G::Dark)},
        {"background", c(G::Active, G::Window)},
        {"buttonface", face},
        {"buttonhighlight", light},
        {"buttonshadow", shadow},
        {"buttontext", c(G::Active, G::ButtonText)},
        {"captiontext", c(G::Active, G::HighlightedText)},
        {"graytext", c(G::Disabled, G::Text)},
        {"highlight", highlight},
        {"highlighttext", c(G::Active, G::HighlightedText)},
        {"inactiveborder", face},
        {"inactivecaption", inactiveHighlight},
        {"inactivecaptiontext", c(G::Inactive, G::HighlightedText)},
        {"infobackground", c(G::Active, G::ToolTipBase)},
        {"infotext", c(G::Active, G::ToolTipText)},
        {"menu", c(G::Active, G::Window)},
        {"menutext", c(G::Active, G::WindowText)},
        {"scrollbar", c(G::Active, G::Midlight)},
        {"threeddarkshadow", dark},
        {"threedface", face},
        {"threedhighlight", light},
        {"threedlightshadow", c(G::Active, G::Midlight)},
        {"threedshadow", shadow},
        {"window", c(G::Active, G::Base)},
        {"windowframe", dark},
        {"windowtext", c(G::Active, G::WindowText)},
    };
}

namespace {

QPalette applicationPalette() {
    return qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr
               ? QGuiApplication::palette()
               : QPalette();
}

}  // namespace

MarkupRenderer desktopMarkupRenderer() {
    return desktopMarkupRenderer(applicationPalette());
}

MarkupRenderer desktopMarkupRenderer(const QPalette& palette) {
    MarkupRenderer renderer(std::make_unique<QtMarkupResources>(), systemColours(palette));
    renderer.SetUrlOpener([](const std::string& target) {
        return QDesktopServices::openUrl(QUrl::fromUserInput(decodeWindows1252(target)));
    });
    return renderer;
}

}  // namespace vn340
