#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "markup/geometry.h"
#include "markup/markup_layout.h"
#include "markup/markup_resources.h"
#include "markup/markup_style.h"
#include "markup/text_device.h"

namespace vn340 {

// Lays out and paints help texts written in the markup: styled runs, breaks, tabs, rules,
// images, strings, links and tables. Measure first, then Draw the same text.
class MarkupRenderer {
  public:
    using HotLinkNotify = std::function<void(int hotIndex)>;  // -2 for none
    using MsgLinkNotify = std::function<void(const std::string& text)>;
    using UrlOpener = std::function<bool(const std::string& target)>;
    using SystemColours = std::map<std::string, Colour, std::less<>>;

    // Pictures come from `resources` (without any, only from handles); the desktop colour
    // names ("buttonface", ...) take the values of `systemColours`. Links with a target open
    // through the opener set, if any.
    explicit MarkupRenderer(std::unique_ptr<MarkupResources> resources = nullptr,
                            const SystemColours& systemColours = {});

    // Natural size of the text (width capped at the maximum width), plus one each way.
    Size Measure(TextDevice& device, std::string_view text);
    void Draw(TextDevice& device, const Rect& rect);

    // Opens or notifies the link under the point.
    void OnClick(Point point);
    // True when the point is over a link with a target (show the hand cursor).
    bool OnSetCursor(Point point);
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
    // The pictures "<ilst index=n>" without a source draws as icons, and their size.
    void SetImageList(std::vector<MarkupImage> icons, Size iconSize);
    void SetStringLookup(MarkupResources::StringLookup lookup);
    // Hands an already loaded image to the markup; "handle=<number>" then refers to it.
    int AddImageHandle(MarkupImage image) { return resources_->addHandle(std::move(image)); }
    void SetHotLinkNotify(HotLinkNotify notify) { hotLinkNotify_ = std::move(notify); }
    void SetMsgLinkNotify(MsgLinkNotify notify) { msgLinkNotify_ = std::move(notify); }
    void SetUrlOpener(UrlOpener opener) { urlOpener_ = std::move(opener); }

    const RendererSettings& Settings() const { return settings_; }
    const LayoutRecords& Records() const { return records_; }
    const std::vector<LinkArea>& LinkAreas() const { return links_; }
    int HotLink() const { return hotLink_; }

  private:
    LayoutEnvironment environment();

    RendererSettings settings_;
    ColourNames names_;
    StyleSheet sheet_;
    std::unique_ptr<MarkupResources> resources_;
    std::string document_;
    LayoutRecords records_;
    std::vector<LinkArea> links_;
    int hotLink_ = -2;
    HotLinkNotify hotLinkNotify_;
    MsgLinkNotify msgLinkNotify_;
    UrlOpener urlOpener_;
};

}  // namespace vn340
