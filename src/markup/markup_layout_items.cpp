// Rules, images and string resources inside the flow of text.
#include <algorithm>

#include "markup/markup_layout.h"

namespace vn340 {

namespace {

// Larger images are never meant and would only cost memory.
constexpr int kMaxImageSide = 4096;

constexpr unsigned kShadowBits = imagestyle::kHardShadow | imagestyle::kSoftShadow;

int readInt(std::string_view value) {
    return static_cast<int>(std::clamp<long long>(readAutoBaseInteger(value), -100000, 100000));
}

}  // namespace

struct LayoutPass::RuleItem {
    StyleState style;
    std::string_view width = "100%";
    int size = 1;  // thickness

    bool percent() const { return !width.empty() && width.back() == '%'; }
};

void LayoutPass::placeRule(Flow& f, std::string_view attributes) {
    const StyleContext ctx = context();
    const RuleItem rule = readRule(attributes, ctx);
    if (drawing()) {
        drawRule(f, rule, ctx);
    } else {
        measureRule(f, rule, ctx);
    }
}

// The style sheet's "hr" rule first, then the tag's own attributes.
LayoutPass::RuleItem LayoutPass::readRule(std::string_view attributes, const StyleContext& ctx) {
    RuleItem rule{state_};
    if (const std::string* sheetRule = env_.sheet->rule("hr")) {
        applyDeclarations(rule.style, *sheetRule, ctx);
    }
    for (const auto& a : parseAttributes(attributes)) {
        if (a.name == "width") {
            rule.width = a.value;
        } else if (a.name == "size") {
            rule.size = std::clamp(readLength(a.value, 1, rule.style.fontSize, ctx), 0, 1000);
        } else if (a.name == "color") {
            setTextColour(rule.style, a.value, ctx);
        }
    }
    return rule;
}

// A rule in percent takes one pixel while measuring, and its share of the width when drawn.
void LayoutPass::measureRule(Flow& f, const RuleItem& rule, const StyleContext& ctx) {
    noteSolidContent(f);
    const int lineHeight = rule.size + 8;
    if (f.maxAscent + f.rec.maxDescent < lineHeight) {
        f.maxAscent = lineHeight - f.rec.maxDescent;
    }
    if (rule.percent()) {
        f.rec.rulePercent =
            std::min(f.rec.rulePercent + readLength(rule.width, 100, 0, ctx), 100000);
        f.lineX += 1;
    } else {
        f.lineX =
            saturated(static_cast<long long>(f.lineX) +
                      std::clamp(readLength(rule.width, 0, rule.style.fontSize, ctx), 0, 100000));
    }
}

void LayoutPass::drawRule(Flow& f, const RuleItem& rule, const StyleContext& ctx) {
    const int w = std::max(0, readLength(rule.width, f.rect.width(), rule.style.fontSize, ctx));
    const int x = f.startX + f.lineX + f.extraSoFar;
    const int y = f.y + f.rec.height / 2;
    if (w > 0 && rule.size > 0) {
        dev_.drawLine(x, y, x + w - 1, y, rule.style.textColor, 1, rule.size);
    }
    if (rule.percent()) {
        f.lineX += 1;
        f.extraSoFar += w - 1;
    } else {
        f.lineX = saturated(static_cast<long long>(f.lineX) + w);
    }
}

namespace {

// What an image tag draws, at the size it takes in the line.
struct ImageItem {
    ImageDrawing drawing;
    int width = 0;  // the image itself
    int height = 0;
    unsigned style = 0;
    unsigned hotStyle = 0;
    bool animated = false;
    int frameCount = 0;
    int speed = 0;
};

// An image tag with its attributes, and the font its lengths are measured in.
class ImageTag {
  public:
    ImageTag(TagCode tagCode, std::string_view text, int fontSize, const StyleContext& ctx)
        : code(tagCode), attributes(parseAttributes(text)), fontSize_(fontSize), ctx_(ctx) {}

    std::optional<std::string_view> find(std::string_view name) const {
        for (const auto& a : attributes) {
            if (a.name == name) {
                return a.value;
            }
        }
        return std::nullopt;
    }

    // The "width" and "height" given, each relative to its side of `natural`.
    Size size(Size natural) const {
        const int width = length("width", natural.width());
        return Size(width, length("height", natural.height()));
    }

    const TagCode code;
    const std::vector<MarkupAttribute> attributes;

  private:
    int length(std::string_view name, int base) const {
        auto v = find(name);
        return v ? std::clamp(readLength(*v, base, fontSize_, ctx_), 0, kMaxImageSide) : base;
    }

    int fontSize_;
    StyleContext ctx_;
};

MarkupResources::Kind resourceKind(TagCode code) {
    return code == TagCode::icon ? MarkupResources::Kind::icon : MarkupResources::Kind::bitmap;
}

// The first source the tag names, in this order; a null image without one.
MarkupImage fetchImage(MarkupResources& resources, const ImageTag& tag) {
    if (auto id = tag.find("idres")) {
        return resources.fromProgram(resourceKind(tag.code), readInt(*id));
    }
    if (auto file = tag.find("file")) {
        return resources.fromFile(std::string(*file));
    }
    if (auto dllId = tag.find("iddll")) {
        return resources.fromModule(resourceKind(tag.code), readInt(*dllId),
                                    std::string(tag.find("srcdll").value_or("")));
    }
    if (auto handle = tag.find("handle")) {
        return resources.fromHandle(readInt(*handle));
    }
    return MarkupImage();
}

void setSize(ImageItem& item, Size size) {
    item.width = size.width();
    item.height = size.height();
}

bool loadBitmap(ImageItem& item, const MarkupImage& image, const ImageTag& tag) {
    item.drawing.kind = ImageDrawing::Kind::bitmap;
    item.drawing.picture = image;
    setSize(item, tag.size(Size(image.width, image.height)));
    return true;
}

bool loadIcon(ImageItem& item, const MarkupImage& image, const ImageTag& tag) {
    item.drawing.kind = ImageDrawing::Kind::icon;
    item.drawing.picture = image;
    setSize(item, tag.size(Size(32, 32)));
    return true;
}

int imageIndex(const ImageTag& tag) {
    return std::max(0, readInt(tag.find("index").value_or("0")));
}

// "cx" and "cy" size the cells of a strip; one of them alone makes them square, and without
// either a cell is as wide as the shorter side of the strip.
Size cellSize(const MarkupImage& strip, const ImageTag& tag) {
    auto cx = tag.find("cx");
    auto cy = tag.find("cy");
    if (cx && cy) {
        return Size(readInt(*cx), readInt(*cy));
    }
    const int side = cx || cy ? readInt(cx ? *cx : *cy) : std::min(strip.width, strip.height);
    return Size(side, side);
}

bool loadStripCell(ImageItem& item, const MarkupImage& strip, const ImageTag& tag) {
    const Size cell = cellSize(strip, tag);
    if (cell.width() <= 0 || cell.height() <= 0) {
        return false;
    }
    ImageDrawing& d = item.drawing;
    d.kind = ImageDrawing::Kind::cell;
    d.picture = strip;
    d.cellW = cell.width();
    d.cellH = cell.height();
    d.index = imageIndex(tag);
    setSize(item, tag.size(cell));
    item.frameCount = (strip.width / cell.width()) * (strip.height / cell.height());
    item.speed = readInt(tag.find("speed").value_or("0"));
    item.animated = item.speed > 0;
    return true;
}

bool loadListIcon(ImageItem& item, const RendererSettings& settings, const ImageTag& tag) {
    const int index = imageIndex(tag);
    if (index >= static_cast<int>(settings.imageList.size())) {
        return false;
    }
    item.drawing.kind = ImageDrawing::Kind::icon;
    item.drawing.picture = settings.imageList[static_cast<std::size_t>(index)];
    item.drawing.listIcon = true;
    setSize(item, tag.size(settings.imageListIconSize));
    return true;
}

// A bitmap or an icon needs its image; a strip tag without one takes an icon of the renderer's
// list. False when there is nothing to draw.
bool loadPicture(ImageItem& item, const MarkupImage& image, const RendererSettings& settings,
                 const ImageTag& tag) {
    switch (tag.code) {
        case TagCode::bmp:
            return !image.isNull() && loadBitmap(item, image, tag);
        case TagCode::icon:
            return !image.isNull() && loadIcon(item, image, tag);
        default:
            return image.isNull() ? loadListIcon(item, settings, tag)
                                  : loadStripCell(item, image, tag);
    }
}

// "g" grey, "d" darker, "l" lighter, "s" a shadow when the renderer casts one.
unsigned styleBits(std::string_view letters, const RendererSettings& settings) {
    unsigned bits = 0;
    for (char c : letters) {
        if (c == 'g') {
            bits |= imagestyle::kGrey;
        }
        if (c == 'd') {
            bits |= imagestyle::kDarker;
        }
        if (c == 'l') {
            bits |= imagestyle::kLighter;
        }
        if (c == 's' && (settings.shadowDx != 0 || settings.shadowDy != 0)) {
            bits |= settings.softShadow ? imagestyle::kSoftShadow : imagestyle::kHardShadow;
        }
    }
    return bits;
}

// "hotstyle" sets only the look under the mouse, "style" both; the last one given wins.
void applyLookAttributes(ImageItem& item, const ImageTag& tag, const RendererSettings& settings,
                         const ColourNames& names) {
    for (const auto& a : tag.attributes) {
        if (a.name == "mask") {
            if (auto key = readColour(a.value, names)) {
                item.drawing.key = *key;
            }
            item.drawing.useKey = true;
        } else if (a.name == "style" || a.name == "hotstyle") {
            item.hotStyle = styleBits(a.value, settings);
            if (a.name == "style") {
                item.style = item.hotStyle;
            }
        }
    }
}

void applyShadow(ImageItem& item, const RendererSettings& settings) {
    ShadowSettings& shadow = item.drawing.shadow;
    const int grey = mulDiv(255, 100 - std::clamp(settings.shadowDarkness, 0, 100), 100);
    shadow.dx = settings.shadowDx;
    shadow.dy = settings.shadowDy;
    shadow.blurX = settings.blurX;
    shadow.blurY = settings.blurY;
    shadow.colour = Colour::fromRgb(grey, grey, grey);
    if (!settings.coloursEnabled) {
        item.style = (item.style & kShadowBits) | imagestyle::kSolidColour;
        item.hotStyle = (item.hotStyle & kShadowBits) | imagestyle::kSolidColour;
        shadow.colour = settings.disabledColour;
    }
}

std::optional<ImageItem> loadImage(const LayoutEnvironment& env, const ImageTag& tag) {
    ImageItem item;
    const MarkupImage image = fetchImage(*env.resources, tag);
    if (!loadPicture(item, image, *env.settings, tag)) {
        return std::nullopt;
    }
    applyLookAttributes(item, tag, *env.settings, *env.names);
    applyShadow(item, *env.settings);
    return item;
}

}  // namespace

void LayoutPass::placeImage(Flow& f, TagCode code, std::string_view attributes) {
    auto item = loadImage(env_, ImageTag(code, attributes, state_.fontSize, context()));
    if (!item) {
        return;
    }
    ImageDrawing& d = item->drawing;
    const bool hot = state_.linkKind != 0 && linkIndex_ == env_.hotLink;
    d.style = hot ? item->hotStyle : item->style;
    // Only a shadow moves anything, and then only the shadow.
    d.shadow.offset = (d.style & kShadowBits) != 0;
    const int w = item->width + (d.shadow.offset ? std::max(0, d.shadow.dx) : 0);
    const int h = item->height + (d.shadow.offset ? std::max(0, d.shadow.dy) : 0);

    if (item->animated) {
        if (!drawing()) {
            records_.animations.push_back(
                AnimationRecord{d.index, item->frameCount, 0, item->speed});
        } else if (animationIndex_ < records_.animations.size()) {
            d.index = records_.animations[animationIndex_++].frame;
        }
    }
    if (f.wrapWidth > 0 && w > f.wrapWidth - f.lineX && f.lineX > 0) {
        endLine(f, 1, true);
    }
    if (!drawing()) {
        noteSolidContent(f);
        f.maxAscent = std::max(f.maxAscent, h);
    } else {
        const int x = f.startX + f.lineX + f.extraSoFar;
        const int top = pieceTop(f, h, h);
        d.rect = Rect(x, top, item->width, item->height);
        dev_.drawImage(d);
        addLinkArea(Rect(x, top, w, h));
    }
    f.lineX = saturated(static_cast<long long>(f.lineX) + w);
}

void LayoutPass::placeString(Flow& f, std::string_view attributes) {
    for (const auto& a : parseAttributes(attributes)) {
        if (a.name == "idres" || a.name == "iddll") {
            if (auto text = env_.resources->string(readInt(a.value))) {
                // A string resource stands as one piece: it is never cut.
                const int savedWrap = f.wrapWidth;
                f.wrapWidth = 0;
                placeRun(f, *text);
                f.wrapWidth = savedWrap;
            }
            return;
        }
    }
}

}  // namespace vn340
