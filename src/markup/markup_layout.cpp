#include "markup/markup_layout.h"

#include <algorithm>

namespace vn340 {

namespace {

constexpr std::string_view kBreakCharacters = " -.,!:;)}]?";

bool isBreak(char c) {
    return kBreakCharacters.find(c) != std::string_view::npos;
}

std::string_view trimRight(std::string_view s) {
    while (!s.empty() && s.back() == ' ') {
        s.remove_suffix(1);
    }
    return s;
}

std::string_view trimLeft(std::string_view s) {
    while (!s.empty() && s.front() == ' ') {
        s.remove_prefix(1);
    }
    return s;
}

// Position of the next top-level "<table" tag at or after `pos`, or npos.
std::size_t findTableStart(std::string_view text, std::size_t pos) {
    MarkupTokenizer tok(text.substr(pos));
    MarkupToken t;
    std::size_t start = tok.position();
    while (tok.next(t)) {
        if (t.kind == MarkupToken::Kind::tag && !t.closing && t.name == "table") {
            return pos + start;
        }
        start = tok.position();
    }
    return std::string_view::npos;
}

// End (one past) of the table starting at `start`, nested tables counted.
std::size_t findTableEnd(std::string_view text, std::size_t start) {
    MarkupTokenizer tok(text.substr(start));
    MarkupToken t;
    int depth = 0;
    while (tok.next(t)) {
        if (t.kind != MarkupToken::Kind::tag || t.name != "table") {
            continue;
        }
        depth += t.closing ? -1 : 1;
        if (depth <= 0) {
            return start + tok.position();
        }
    }
    return text.size();
}

}  // namespace

LayoutPass::LayoutPass(TextDevice& device, const LayoutEnvironment& env, LayoutRecords& records,
                       std::vector<LinkArea>* links)
    : dev_(device), env_(env), records_(records), links_(links) {}

StyleContext LayoutPass::context() {
    return StyleContext{env_.names, metrics_.xHeight, dev_.dpiY(), env_.settings->coloursEnabled,
                        env_.settings->disabledColour};
}

FontSpec LayoutPass::fontSpec() const {
    return FontSpec{state_.fontFace, state_.fontSize,  state_.fontWeight,
                    state_.italic,   state_.underline, state_.strikeout};
}

void LayoutPass::applyDevice() {
    dev_.setFont(fontSpec());
    metrics_ = dev_.metrics();
    dev_.setTextColours(state_.textColor, state_.backColor, state_.backMode);
}

void LayoutPass::pushStyle(std::string_view name) {
    stack_.push(state_, std::string(name));
}

void LayoutPass::applyRule(std::string_view selector) {
    if (const std::string* rule = env_.sheet->rule(selector)) {
        applyDeclarations(state_, *rule, context());
    }
}

Size LayoutPass::run(std::string_view document, const Rect& rect) {
    dev_.beginPass();
    stack_.clear();
    state_ = StyleState{};
    applyDevice();
    applyRule("body");
    applyDevice();
    availableWidth_ = rect.width();
    const Size size = layoutBlock(document, rect, std::max(0, env_.settings->maxWidth));
    stack_.clear();
    dev_.endPass();
    return size;
}

Size LayoutPass::layoutBlock(std::string_view text, const Rect& rect, int wrapWidth) {
    std::size_t pos = 0;
    int y = rect.y();
    int width = 0;
    while (pos < text.size()) {
        const std::size_t table = findTableStart(text, pos);
        const std::size_t flowEnd = table == std::string_view::npos ? text.size() : table;
        if (flowEnd > pos) {
            const Size s = layoutFlow(text.substr(pos, flowEnd - pos),
                                      Rect(rect.x(), y, rect.width(), 0), wrapWidth);
            y = saturated(static_cast<long long>(y) + s.height());
            width = std::max(width, s.width());
        }
        if (table == std::string_view::npos) {
            break;
        }
        const std::size_t end = findTableEnd(text, table);
        const Size s = layoutTable(text.substr(table, end - table),
                                   Rect(rect.x(), y, rect.width(), 0), wrapWidth);
        y = saturated(static_cast<long long>(y) + s.height());
        width = std::max(width, s.width());
        pos = end;
    }
    return Size(width, y - rect.y());
}

Size LayoutPass::layoutFlow(std::string_view text, const Rect& rect, int wrapWidth) {
    Flow f;
    f.rect = rect;
    f.wrapWidth = wrapWidth;
    f.y = rect.y();
    startLine(f);
    MarkupTokenizer tok(text);
    MarkupToken token;
    while (tok.next(token)) {
        if (token.kind == MarkupToken::Kind::text) {
            placeRun(f, token.text);
        } else {
            handleTag(f, token);
        }
    }
    // The last line counts only when something stands on it, so a closing "<br>" adds no
    // empty line below the text.
    if (!drawing()) {
        f.rec.height =
            f.measured ? f.maxAscent + f.rec.maxDescent : (f.lineX > 0 ? metrics_.height : 0);
        f.rec.width = f.lineX;
        records_.lines[f.recordIndex] = f.rec;
        f.width = std::max(f.width, f.rec.width);
    }
    f.y = saturated(static_cast<long long>(f.y) + f.rec.height);
    return Size(f.width, f.y - rect.y());
}

void LayoutPass::handleTag(Flow& f, const MarkupToken& token) {
    const TagInfo* tag = findTag(token.name);
    if (tag == nullptr) {
        return;
    }
    if (!tag->stackName.empty()) {
        if (token.closing) {
            if (stack_.popIfTop(tag->stackName, state_)) {
                applyDevice();
            }
        } else {
            openStyleTag(*tag, token.attributes);
        }
        return;
    }
    switch (tag->code) {
        case TagCode::br:
            endLine(f, tagCount(token.attributes), false);
            break;
        case TagCode::tab:
            placeTab(f, tagCount(token.attributes));
            break;
        case TagCode::hr:
            placeRule(f, token.attributes);
            break;
        case TagCode::string:
            placeString(f, token.attributes);
            break;
        default:
            placeImage(f, tag->code, token.attributes);
            break;
    }
}

namespace {

// Bold, italic, underline and strikeout; false for any other tag.
bool applyFontTag(StyleState& s, TagCode code) {
    switch (code) {
        case TagCode::bold:
            s.fontWeight = std::min(900, s.fontWeight * 2);
            return true;
        case TagCode::italic:
            s.italic = !s.italic;
            return true;
        case TagCode::underline:
            s.underline = !s.underline;
            return true;
        case TagCode::strikeout:
            s.strikeout = !s.strikeout;
            return true;
        default:
            return false;
    }
}

struct AlignmentTag {
    TagCode code;
    int StyleState::*field;
    int value;
};

constexpr AlignmentTag kAlignmentTags[] = {
    {TagCode::left, &StyleState::hAlign, 0},   {TagCode::center, &StyleState::hAlign, 1},
    {TagCode::right, &StyleState::hAlign, 2},  {TagCode::justify, &StyleState::hAlign, 3},
    {TagCode::top, &StyleState::vAlign, 0},    {TagCode::vcenter, &StyleState::vAlign, 1},
    {TagCode::bottom, &StyleState::vAlign, 2}, {TagCode::baseline, &StyleState::vAlign, 3},
};

// The alignment tags; false for any other tag.
bool applyAlignmentTag(StyleState& s, TagCode code) {
    for (const AlignmentTag& tag : kAlignmentTags) {
        if (tag.code == code) {
            s.*tag.field = tag.value;
            return true;
        }
    }
    return false;
}

}  // namespace

void LayoutPass::openStyleTag(const TagInfo& tag, std::string_view attributes) {
    pushStyle(tag.stackName);
    if (!applyFontTag(state_, tag.code) && !applyAlignmentTag(state_, tag.code)) {
        switch (tag.code) {
            case TagCode::font:
                applyFontAttributes(attributes);
                break;
            case TagCode::sheetRule:
                applyRule(tag.stackName);
                break;
            case TagCode::span:
                applyClassRules(attributes);
                break;
            case TagCode::link:
                openLink(attributes);
                break;
            default:
                break;
        }
    }
    applyDevice();
}

void LayoutPass::applyFontAttributes(std::string_view attributes) {
    const StyleContext ctx = context();
    for (const auto& a : parseAttributes(attributes)) {
        applyFontAttribute(state_, a.name, a.value, ctx);
    }
}

void LayoutPass::applyClassRules(std::string_view attributes) {
    for (const auto& a : parseAttributes(attributes)) {
        if (a.name == "class") {
            // Built by appending: GCC 12 at -O3 misreads "." + string as an overlapping copy
            // and, with warnings as errors, stops the build.
            std::string selector = ".";
            selector += a.value;
            applyRule(selector);
        }
    }
}

void LayoutPass::openLink(std::string_view attributes) {
    for (const auto& a : parseAttributes(attributes)) {
        if (a.name == "href") {
            state_.linkKind = 1;
            state_.linkTarget = std::string(a.value);
        } else if (a.name == "msg") {
            state_.linkKind = 2;
            state_.linkTarget = std::string(a.value);
        }
    }
    ++linkIndex_;
    applyRule(linkIndex_ == env_.hotLink ? "a:hover" : "a:link");
}

void LayoutPass::startLine(Flow& f) {
    f.lineX = 0;
    f.maxAscent = 0;
    f.measured = false;
    f.anyContent = false;
    f.trailingSpaces = 0;
    f.trailingWidth = 0;
    f.extraSoFar = 0;
    f.spaceIndex = 0;
    if (!drawing()) {
        f.rec = LineRecord{};
        f.rec.hAlign = state_.hAlign;
        f.recordIndex = records_.lines.size();
        records_.lines.emplace_back();
        return;
    }
    f.rec = lineIndex_ < records_.lines.size() ? records_.lines[lineIndex_] : LineRecord{};
    ++lineIndex_;
    const int available = f.rect.width();
    const int lineWidth = f.rec.width + mulDiv(available, f.rec.rulePercent, 100);
    // A line wider than the rectangle starts left of it, as centring and right alignment
    // say; nothing pulls it back.
    f.startX = f.rect.x();
    if (f.rec.hAlign == 1) {
        f.startX += (available - lineWidth) / 2;
    } else if (f.rec.hAlign == 2) {
        f.startX += available - lineWidth;
    }
    f.justify = f.rec.hAlign == 3 && f.rec.wrapped && f.rec.spaces > 0;
    f.extra = f.justify ? std::max(0, available - f.rec.width) : 0;
}

void LayoutPass::endLine(Flow& f, int count, bool wrapped) {
    if (!drawing()) {
        f.rec.height = f.measured ? f.maxAscent + f.rec.maxDescent : metrics_.height;
        f.rec.width = f.lineX;
        f.rec.wrapped = wrapped;
        if (wrapped) {
            // Spaces at the end of a wrapped line are neither shown nor stretched.
            f.rec.width -= f.trailingWidth;
            f.rec.spaces -= f.trailingSpaces;
        }
        if (!f.anyContent) {
            f.rec.hAlign = state_.hAlign;
        }
        records_.lines[f.recordIndex] = f.rec;
        f.width = std::max(f.width, f.rec.width);
    }
    f.y = saturated(f.y + static_cast<long long>(count) * f.rec.height);
    startLine(f);
}

int LayoutPass::pieceTop(const Flow& f, int height, int ascent) const {
    const int lineHeight = f.rec.height;
    switch (state_.vAlign) {
        case 0:
            return f.y;
        case 1:
            return f.y + (lineHeight - height) / 2;
        case 2:
            return f.y + lineHeight - ascent;
        default:
            return f.y + lineHeight - f.rec.maxDescent - ascent;
    }
}

namespace {

// Where a run of text meets the end of its line.
struct RunFit {
    bool fits = true;
    std::size_t lastBreak = std::string_view::npos;  // a cut in front of it fits
    std::size_t fitting = 0;                         // characters that fit
};

// One walk finds whether the run fits in `room`, the last break character (not in first place)
// in front of which it fits, and how many characters fit. Once a visible character no longer
// fits, no later cut can fit either.
RunFit fitRun(TextDevice& dev, std::string_view text, int room) {
    RunFit fit;
    long long width = 0;
    long long ink = 0;  // width without trailing spaces
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (i >= 1 && isBreak(c) && ink <= room) {
            fit.lastBreak = i;
        }
        width += dev.textWidth(text.substr(i, 1));
        if (c != ' ') {
            ink = width;
        }
        if (width <= room) {
            fit.fitting = i + 1;
        } else {
            fit.fits = false;
            if (c != ' ') {
                break;
            }
        }
    }
    return fit;
}

}  // namespace

void LayoutPass::placeRun(Flow& f, std::string_view run) {
    const std::string transformed = transformText(run, state_.textTransform);
    std::string_view text = transformed;
    while (!text.empty()) {
        const RunFit fit = f.wrapWidth <= 0 ? RunFit{} : fitRun(dev_, text, f.wrapWidth - f.lineX);
        if (fit.fits) {
            placePiece(f, text);
            return;
        }
        if (fit.lastBreak != std::string_view::npos) {
            placePiece(f, trimRight(text.substr(0, fit.lastBreak)));
            text = trimLeft(text.substr(fit.lastBreak));
        } else if (f.lineX > 0) {
            endLine(f, 1, true);
            continue;
        } else {
            // A word longer than the whole line is cut between characters, at least one kept.
            const std::size_t keep = std::max<std::size_t>(1, fit.fitting);
            placePiece(f, text.substr(0, keep));
            text = text.substr(keep);
        }
        if (!text.empty()) {
            endLine(f, 1, true);
        }
    }
}

void LayoutPass::noteContent(Flow& f) const {
    if (!f.anyContent) {
        f.rec.hAlign = state_.hAlign;
    }
    f.anyContent = true;
    f.measured = true;
}

void LayoutPass::noteSolidContent(Flow& f) const {
    noteContent(f);
    f.trailingSpaces = 0;
    f.trailingWidth = 0;
}

void LayoutPass::placePiece(Flow& f, std::string_view piece) {
    if (piece.empty()) {
        return;
    }
    const int w = dev_.textWidth(piece);
    if (!drawing()) {
        noteContent(f);
        f.rec.spaces += static_cast<int>(std::count(piece.begin(), piece.end(), ' '));
        f.maxAscent = std::max(f.maxAscent, metrics_.ascent);
        f.rec.maxDescent = std::max(f.rec.maxDescent, metrics_.descent);
        const std::string_view ink = trimRight(piece);
        f.trailingSpaces = static_cast<int>(piece.size() - ink.size());
        f.trailingWidth = f.trailingSpaces > 0 ? w - dev_.textWidth(ink) : 0;
    } else {
        const int x = f.startX + f.lineX + f.extraSoFar;
        const int top = pieceTop(f, metrics_.height, metrics_.ascent);
        const int before = f.extraSoFar;
        if (f.justify) {
            drawJustified(f, x, top, piece);
        } else {
            dev_.drawText(x, top, piece);
        }
        const int drawnWidth = w + f.extraSoFar - before;
        if (state_.overline) {
            dev_.drawLine(x, top, x + drawnWidth - 1, top, state_.textColor, 1,
                          state_.fontWeight >= 700 ? 2 : 1);
        }
        addLinkArea(Rect(x, top, drawnWidth, metrics_.height));
    }
    f.lineX = saturated(static_cast<long long>(f.lineX) + w);
}

void LayoutPass::drawJustified(Flow& f, int x, int top, std::string_view piece) {
    const int spaceWidth = dev_.textWidth(" ");
    const int spaces = f.rec.spaces;
    std::size_t i = 0;
    while (i <= piece.size()) {
        const std::size_t j = std::min(piece.find(' ', i), piece.size());
        const std::string_view word = piece.substr(i, j - i);
        if (!word.empty()) {
            dev_.drawText(x, top, word);
            x += dev_.textWidth(word);
        }
        if (j == piece.size()) {
            break;
        }
        x += spaceWidth;
        if (f.spaceIndex < spaces) {
            const int add = f.extra / spaces + (f.spaceIndex < f.extra % spaces ? 1 : 0);
            x += add;
            f.extraSoFar += add;
            ++f.spaceIndex;
        }
        i = j + 1;
    }
}

void LayoutPass::placeTab(Flow& f, int count) {
    const int tab = env_.settings->tabSize;
    if (tab <= 0) {
        return;
    }
    if (f.lineX % tab != 0) {
        f.lineX = (f.lineX / tab + 1) * tab;
        --count;
    }
    f.lineX = saturated(f.lineX + static_cast<long long>(std::max(0, count)) * tab);
    f.trailingSpaces = 0;
    f.trailingWidth = 0;
}

void LayoutPass::addLinkArea(const Rect& rect) {
    if (drawing() && state_.linkKind != 0) {
        links_->push_back(LinkArea{rect, state_.linkTarget, state_.linkKind, linkIndex_});
    }
}

}  // namespace vn340
