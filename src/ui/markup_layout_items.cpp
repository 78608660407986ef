// Rules, images and string resources inside the flow of text.
#include <algorithm>

#include "ui/markup_layout.h"

namespace vn340 {

struct LayoutPass::ImageItem {
    ImageDrawing drawing;
    int width = 0;  // the image itself
    int height = 0;
    unsigned style = 0;
    unsigned hotStyle = 0;
    bool animated = false;
    int frameCount = 0;
    int speed = 0;
};

namespace {

// Larger images are never meant and would only cost memory.
constexpr int kMaxImageSide = 4096;

constexpr unsigned kShadowBits = imagestyle::kHardShadow | imagestyle::kSoftShadow;

int readInt(std::string_view value) {
    return static_cast<int>(std::clamp<long long>(readAutoBaseInteger(value), -100000, 100000));
}

}  // namespace

void LayoutPass::placeRule(Flow& f, std::string_view attributes) {
    StyleState rule = state_;
    if (const std::string* sheetRule = env_.sheet->rule("hr")) {
        applyDeclarations(rule, *sheetRule, context());
    }
    std::string_view width = "100%";
    int size = 1;
    const StyleContext ctx = context();
    for (const auto& a : parseAttributes(attributes)) {
        if (a.name == "width") {
            width = a.value;
        } else if (a.name == "size") {
            size = std::clamp(readLength(a.value, 1, rule.fontSize, ctx), 0, 1000);
        } else if (a.name == "color") {
            setTextColour(rule, a.value, ctx);
        }
    }
    const bool percent = !width.empty() && width.back() == '%';
    if (!drawing()) {
        if (!f.anyContent) {
            f.rec.hAlign = state_.hAlign;
        }
        f.anyContent = true;
        const int lineHeight = size + 8;
        if (f.maxAscent + f.rec.maxDescent < lineHeight) {
            f.maxAscent = lineHeight - f.rec.maxDescent;
        }
        f.measured = true;
        f.trailingSpaces = 0;
        f.trailingWidth = 0;
        if (percent) {
            f.rec.rulePercent =
                std::min(f.rec.rulePercent + readLength(width, 100, 0, ctx), 100000);
            f.lineX += 1;
        } else {
            f.lineX = saturated(static_cast<long long>(f.lineX) +
                                std::clamp(readLength(width, 0, rule.fontSize, ctx), 0, 100000));
        }
        return;
    }
    const int w = std::max(0, readLength(width, f.rect.width(), rule.fontSize, ctx));
    const int x = f.startX + f.lineX + f.extraSoFar;
    const int y = f.y + f.rec.height / 2;
    if (w > 0 && size > 0) {
        dev_.drawLine(x, y, x + w - 1, y, rule.textColor, 1, size);
    }
    if (percent) {
        f.lineX += 1;
        f.extraSoFar += w - 1;
    } else {
        f.lineX = saturated(static_cast<long long>(f.lineX) + w);
    }
}

std::optional<LayoutPass::ImageItem> LayoutPass::loadImage(TagCode code,
                                                           std::string_view attributes) {
    const RendererSettings& settings = *env_.settings;
    const auto attrs = parseAttributes(attributes);
    auto find = [&](std::string_view name) -> std::optional<std::string_view> {
        for (const auto& a : attrs) {
            if (a.name == name) {
                return a.value;
            }
        }
        return std::nullopt;
    };
    const MarkupResources::Kind kind =
        code == TagCode::icon ? MarkupResources::Kind::icon : MarkupResources::Kind::bitmap;
    QImage image;
    if (auto id = find("idres")) {
        image = env_.resources->fromProgram(kind, readInt(*id));
    } else if (auto file = find("file")) {
        image = env_.resources->fromFile(std::string(*file));
    } else if (auto dllId = find("iddll")) {
        image = env_.resources->fromModule(kind, readInt(*dllId),
                                           std::string(find("srcdll").value_or("")));
    } else if (auto handle = find("handle")) {
        image = env_.resources->fromHandle(readInt(*handle));
    }

    ImageItem item;
    ImageDrawing& d = item.drawing;
    const StyleContext ctx = context();
    const int index = std::max(0, readInt(find("index").value_or("0")));
    auto scaled = [&](std::string_view name, int base) {
        auto v = find(name);
        return v ? std::clamp(readLength(*v, base, state_.fontSize, ctx), 0, kMaxImageSide) : base;
    };
    if (code == TagCode::bmp) {
        if (image.isNull()) {
            return std::nullopt;
        }
        d.kind = ImageDrawing::Kind::bitmap;
        d.bitmap = image;
        item.width = scaled("width", image.width());
        item.height = scaled("height", image.height());
    } else if (code == TagCode::icon) {
        if (image.isNull()) {
            return std::nullopt;
        }
        d.kind = ImageDrawing::Kind::icon;
        item.width = scaled("width", 32);
        item.height = scaled("height", 32);
        d.icon = Icon::fromImage(
            image.scaled(item.width, item.height, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
    } else if (!image.isNull()) {
        auto cx = find("cx");
        auto cy = find("cy");
        int cellW = std::min(image.width(), image.height());
        int cellH = cellW;
        if (cx && cy) {
            cellW = readInt(*cx);
            cellH = readInt(*cy);
        } else if (cx || cy) {
            cellW = cellH = readInt(cx ? *cx : *cy);
        }
        if (cellW <= 0 || cellH <= 0) {
            return std::nullopt;
        }
        d.kind = ImageDrawing::Kind::cell;
        d.bitmap = image;
        d.cellW = cellW;
        d.cellH = cellH;
        d.index = index;
        item.width = scaled("width", cellW);
        item.height = scaled("height", cellH);
        item.frameCount = (image.width() / cellW) * (image.height() / cellH);
        item.speed = readInt(find("speed").value_or("0"));
        item.animated = item.speed > 0;
    } else if (index < static_cast<int>(settings.imageList.size())) {
        d.kind = ImageDrawing::Kind::icon;
        d.icon = settings.imageList[static_cast<std::size_t>(index)];
        item.width = scaled("width", settings.imageListIconSize.width());
        item.height = scaled("height", settings.imageListIconSize.height());
    } else {
        return std::nullopt;
    }

    for (const auto& a : attrs) {
        if (a.name == "mask") {
            if (auto key = readColour(a.value, *env_.names)) {
                d.key = *key;
            }
            d.useKey = true;
        } else if (a.name == "style" || a.name == "hotstyle") {
            unsigned bits = 0;
            for (char c : a.value) {
                if (c == 'g')
                    bits |= imagestyle::kGrey;
                if (c == 'd')
                    bits |= imagestyle::kDarker;
                if (c == 'l')
                    bits |= imagestyle::kLighter;
                if (c == 's' && (settings.shadowDx != 0 || settings.shadowDy != 0)) {
                    bits |= settings.softShadow ? imagestyle::kSoftShadow : imagestyle::kHardShadow;
                }
            }
            item.hotStyle = bits;
            if (a.name == "style") {
                item.style = bits;
            }
        }
    }
    const int grey = mulDiv(255, 100 - std::clamp(settings.shadowDarkness, 0, 100), 100);
    d.shadow.dx = settings.shadowDx;
    d.shadow.dy = settings.shadowDy;
    d.shadow.blurX = settings.blurX;
    d.shadow.blurY = settings.blurY;
    d.shadow.colour = Colour::fromRgb(grey, grey, grey);
    if (!settings.coloursEnabled) {
        item.style = (item.style & kShadowBits) | imagestyle::kSolidColour;
        item.hotStyle = (item.hotStyle & kShadowBits) | imagestyle::kSolidColour;
        d.shadow.colour = settings.disabledColour;
    }
    return item;
}

void LayoutPass::placeImage(Flow& f, TagCode code, std::string_view attributes) {
    auto item = loadImage(code, attributes);
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
        if (!f.anyContent) {
            f.rec.hAlign = state_.hAlign;
        }
        f.anyContent = true;
        f.maxAscent = std::max(f.maxAscent, h);
        f.measured = true;
        f.trailingSpaces = 0;
        f.trailingWidth = 0;
    } else {
        const int x = f.startX + f.lineX + f.extraSoFar;
        const int top = pieceTop(f, h, h);
        d.rect = QRect(x, top, item->width, item->height);
        dev_.drawImage(d);
        addLinkArea(QRect(x, top, w, h));
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
