#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include <QPoint>
#include <QRect>
#include <QSize>

#include "ui/draw_effects.h"
#include "ui/markup_layout.h"
#include "ui/markup_resources.h"
#include "ui/markup_style.h"
#include "ui/text_device.h"

class QPalette;

namespace vn340 {

// Lays out and paints help texts written in the markup: styled runs, breaks, tabs, rules,
// images, strings, links and tables. Measure first, then Draw the same text.
class MarkupRenderer {
  public:
    using HotLinkNotify = std::function<void(int hotIndex)>;  // -2 for none
    using MsgLinkNotify = std::function<void(const std::string& text)>;
    using UrlOpener = std::function<bool(const std::string& target)>;

    // The desktop colour names are read from the application palette when there is one.
    MarkupRenderer();
    explicit MarkupRenderer(const QPalette& palette);

    // Natural size of the text (width capped at the maximum width), plus one each way.
    QSize Measure(TextDevice& device, std::string_view text);
    void Draw(TextDevice& device, const QRect& rect);

    // Opens or notifies the link under the point.
    void OnClick(const QPoint& point);
    // True when the point is over a link with a target (show the hand cursor).
    bool OnSetCursor(const QPoint& point);
    // True when any animated image changed its frame (repaint then).
    bool OnAnimationTick();

    void SetStyleSheet(std::string_view text);
    void SetMaxWidth(int width) { settings_.maxWidth = width; }
    int MaxWidth() const { return settings_.maxWidth; }
    void SetTabSize(int size) { settings_.tabSize = size; }
    void SetNewlineConversion(bool on) { settings_.newlineConversion = on; }
    void SetColoursEnabled(bool on) { settings_.coloursEnabled = on; }
    void SetDisabledColour(Colour colour) { settings_.disabledColour = colour; }
    void SetImageShadow(int dx, int dy, int darkness, bool soft, int blurX, int blurY);
    void SetImageList(std::vector<Icon> icons, QSize iconSize);
    // A compiled resource file's root (for example ":/module") that "iddll" ids refer to.
    void SetResourceModule(QString root) { resources_.setModuleRoot(std::move(root)); }
    void SetStringLookup(MarkupResources::StringLookup lookup);
    // Hands an already loaded image to the markup; "handle=<number>" then refers to it.
    int AddImageHandle(QImage image) { return resources_.addHandle(std::move(image)); }
    void SetHotLinkNotify(HotLinkNotify notify) { hotLinkNotify_ = std::move(notify); }
    void SetMsgLinkNotify(MsgLinkNotify notify) { msgLinkNotify_ = std::move(notify); }
    void SetUrlOpener(UrlOpener opener) { urlOpener_ = std::move(opener); }

    const RendererSettings& Settings() const { return settings_; }
    DrawEffects& Effects() { return effects_; }
    const LayoutRecords& Records() const { return records_; }
    const std::vector<LinkArea>& LinkAreas() const { return links_; }
    int HotLink() const { return hotLink_; }

  private:
    LayoutEnvironment environment();

    RendererSettings settings_;
    ColourNames names_;
    StyleSheet sheet_;
    MarkupResources resources_;
    DrawEffects effects_;
    std::string document_;
    LayoutRecords records_;
    std::vector<LinkArea> links_;
    int hotLink_ = -2;
    HotLinkNotify hotLinkNotify_;
    MsgLinkNotify msgLinkNotify_;
    UrlOpener urlOpener_;
};

// The desktop colour names with their values in `palette`.
std::map<std::string, Colour, std::less<>> systemColours(const QPalette& palette);

}  // namespace vn340
