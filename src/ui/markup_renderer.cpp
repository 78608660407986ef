#include "ui/markup_renderer.h"

#include <QDesktopServices>
#include <QGuiApplication>
#include <QPalette>
#include <QUrl>

namespace vn340 {

std::map<std::string, Colour, std::less<>> systemColours(const QPalette& p) {
    auto c = [&p](QPalette::ColorGroup g, QPalette::ColorRole r) {
        return Colour::fromQColor(p.color(g, r));
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

MarkupRenderer::MarkupRenderer() : MarkupRenderer(applicationPalette()) {}

MarkupRenderer::MarkupRenderer(const QPalette& palette) : names_(systemColours(palette)) {
    settings_.disabledColour = names_.find("buttonshadow").value_or(settings_.disabledColour);
    urlOpener_ = [](const std::string& target) {
        return QDesktopServices::openUrl(QUrl::fromUserInput(decodeWindows1252(target)));
    };
}

void MarkupRenderer::SetStyleSheet(std::string_view text) {
    sheet_.set(text);
}

void MarkupRenderer::SetImageShadow(int dx, int dy, int darkness, bool soft, int blurX, int blurY) {
    settings_.shadowDx = dx;
    settings_.shadowDy = dy;
    settings_.shadowDarkness = std::min(darkness, 100);
    settings_.softShadow = soft;
    settings_.blurX = blurX;
    settings_.blurY = blurY;
}

void MarkupRenderer::SetImageList(std::vector<Icon> icons, QSize iconSize) {
    settings_.imageList = std::move(icons);
    settings_.imageListIconSize = iconSize;
}

void MarkupRenderer::SetStringLookup(MarkupResources::StringLookup lookup) {
    resources_.setStringLookup(std::move(lookup));
}

LayoutEnvironment MarkupRenderer::environment() {
    return LayoutEnvironment{&settings_, &sheet_, &names_, &resources_, hotLink_};
}

QSize MarkupRenderer::Measure(TextDevice& device, std::string_view text) {
    if (text.empty()) {
        // Nothing is stored: the previous text and its records stay for the next Draw.
        return QSize(0, 0);
    }
    records_ = LayoutRecords{};
    links_.clear();
    document_ = preprocessMarkup(text, settings_.newlineConversion);
    LayoutPass pass(device, environment(), records_, nullptr);
    const int maxWidth = settings_.maxWidth;
    const QSize size = pass.run(document_, QRect(0, 0, maxWidth, 0));
    const int width = maxWidth > 0 ? std::min(size.width(), maxWidth) : size.width();
    return QSize(width + 1, size.height() + 1);
}

void MarkupRenderer::Draw(TextDevice& device, const QRect& rect) {
    links_.clear();
    if (document_.empty()) {
        return;
    }
    LayoutPass pass(device, environment(), records_, &links_);
    pass.run(document_, rect);
}

namespace {

bool contains(const QRect& r, const QPoint& p) {
    // Edges included on all four sides.
    return p.x() >= r.x() && p.x() <= r.x() + r.width() && p.y() >= r.y() &&
           p.y() <= r.y() + r.height();
}

}  // namespace

void MarkupRenderer::OnClick(const QPoint& point) {
    for (const LinkArea& area : links_) {
        if (!contains(area.rect, point)) {
            continue;
        }
        if (area.kind == 1 && urlOpener_) {
            urlOpener_(area.target);
        } else if (area.kind == 2 && msgLinkNotify_) {
            msgLinkNotify_(area.target);
        }
        return;
    }
}

bool MarkupRenderer::OnSetCursor(const QPoint& point) {
    for (const LinkArea& area : links_) {
        if (!contains(area.rect, point)) {
            continue;
        }
        if (area.index != hotLink_) {
            hotLink_ = area.index;
            if (hotLinkNotify_) {
                hotLinkNotify_(hotLink_);
            }
        }
        return !area.target.empty();
    }
    if (hotLink_ != -2) {
        hotLink_ = -2;
        if (hotLinkNotify_) {
            hotLinkNotify_(hotLink_);
        }
    }
    return false;
}

bool MarkupRenderer::OnAnimationTick() {
    bool changed = false;
    for (AnimationRecord& a : records_.animations) {
        if (a.frameCount <= 0) {
            continue;
        }
        if (++a.tick >= a.speed) {
            a.tick = 0;
            a.frame = (a.frame + 1) % a.frameCount;
            changed = true;
        }
    }
    return changed;
}

}  // namespace vn340
