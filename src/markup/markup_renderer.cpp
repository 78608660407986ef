#include "markup/markup_renderer.h"

#include <algorithm>

namespace vn340 {

namespace {

// Without resources of its own the renderer draws only the pictures handed to it.
class HandlesOnly : public MarkupResources {
  public:
    MarkupImage fromProgram(Kind, int) const override { return {}; }
    MarkupImage fromFile(const std::string&) const override { return {}; }
    MarkupImage fromModule(Kind, int, const std::string&) const override { return {}; }
};

}  // namespace

MarkupRenderer::MarkupRenderer(std::unique_ptr<MarkupResources> resources,
                               const SystemColours& systemColours)
    : names_(systemColours),
      resources_(resources ? std::move(resources) : std::make_unique<HandlesOnly>()) {
    settings_.disabledColour = names_.find("buttonshadow").value_or(settings_.disabledColour);
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

void MarkupRenderer::SetImageList(std::vector<MarkupImage> icons, Size iconSize) {
    settings_.imageList = std::move(icons);
    settings_.imageListIconSize = iconSize;
}

void MarkupRenderer::SetStringLookup(MarkupResources::StringLookup lookup) {
    resources_->setStringLookup(std::move(lookup));
}

LayoutEnvironment MarkupRenderer::environment() {
    return LayoutEnvironment{&settings_, &sheet_, &names_, resources_.get(), hotLink_};
}

Size MarkupRenderer::Measure(TextDevice& device, std::string_view text) {
    if (text.empty()) {
        // Nothing is stored: the previous text and its records stay for the next Draw.
        return Size(0, 0);
    }
    records_ = LayoutRecords{};
    links_.clear();
    document_ = preprocessMarkup(text, settings_.newlineConversion);
    LayoutPass pass(device, environment(), records_, nullptr);
    const int maxWidth = settings_.maxWidth;
    const Size size = pass.run(document_, Rect(0, 0, maxWidth, 0));
    const int width = maxWidth > 0 ? std::min(size.width(), maxWidth) : size.width();
    return Size(width + 1, size.height() + 1);
}

void MarkupRenderer::Draw(TextDevice& device, const Rect& rect) {
    links_.clear();
    if (document_.empty()) {
        return;
    }
    LayoutPass pass(device, environment(), records_, &links_);
    pass.run(document_, rect);
}

namespace {

bool contains(const Rect& r, Point p) {
    // Edges included on all four sides.
    return p.x() >= r.x() && p.x() <= r.x() + r.width() && p.y() >= r.y() &&
           p.y() <= r.y() + r.height();
}

}  // namespace

void MarkupRenderer::OnClick(Point point) {
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

bool MarkupRenderer::OnSetCursor(Point point) {
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
