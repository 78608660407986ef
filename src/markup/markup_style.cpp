#include "markup/markup_style.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>

namespace vn340 {

namespace {

// Generous bounds: real help texts stay far below them, and they keep sums of many lengths
// well inside an int.
constexpr int kMaxLength = 100000;

int clampLength(long long v) {
    return static_cast<int>(std::clamp<long long>(v, -kMaxLength, kMaxLength));
}

std::string_view trim(std::string_view s) {
    auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!s.empty() && blank(s.front())) {
        s.remove_prefix(1);
    }
    while (!s.empty() && blank(s.back())) {
        s.remove_suffix(1);
    }
    return s;
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

std::string lowered(std::string_view s) {
    std::string out(s);
    for (char& c : out) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return out;
}

// Digits up to the first other character; nullopt when there are none.
std::optional<long long> leadingDecimal(std::string_view s) {
    long long v = 0;
    std::size_t i = 0;
    for (; i < s.size() && isDigit(s[i]); ++i) {
        v = std::min<long long>(v * 10 + (s[i] - '0'), 1'000'000'000LL);
    }
    if (i == 0) {
        return std::nullopt;
    }
    return v;
}

std::string_view withoutSign(std::string_view s) {
    if (!s.empty() && (s.front() == '+' || s.front() == '-')) {
        s.remove_prefix(1);
    }
    return s;
}

constexpr std::array<int, 7> kFontSizes{8, 10, 12, 14, 18, 24, 36};

}  // namespace

void StyleStack::push(const StyleState& current, std::string name) {
    entries_.push_back(current);
    entries_.back().name = std::move(name);
}

bool StyleStack::popIfTop(std::string_view name, StyleState& current) {
    if (entries_.empty() || entries_.back().name != name) {
        return false;
    }
    current = std::move(entries_.back());
    entries_.pop_back();
    return true;
}

void StyleStack::unwindTo(std::size_t depth, StyleState& current) {
    if (entries_.size() <= depth) {
        return;
    }
    current = std::move(entries_[depth]);
    entries_.resize(depth);
}

int mulDiv(long long a, long long b, long long c) {
    if (c == 0) {
        return -1;
    }
    const long long p = a * b;
    // Rounds half away from zero.
    long long q = (std::llabs(p) + std::llabs(c) / 2) / std::llabs(c);
    if ((p < 0) != (c < 0)) {
        q = -q;
    }
    return clampLength(q);
}

long long readAutoBaseInteger(std::string_view text, bool* ok) {
    std::string_view s = trim(text);
    bool negative = false;
    if (!s.empty() && (s.front() == '+' || s.front() == '-')) {
        negative = s.front() == '-';
        s.remove_prefix(1);
    }
    int base = 10;
    if (s.size() >= 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
        base = 16;
        s.remove_prefix(2);
    } else if (!s.empty() && s[0] == '0') {
        base = 8;
    }
    long long v = 0;
    std::size_t used = 0;
    for (char c : s) {
        int d = -1;
        if (isDigit(c)) {
            d = c - '0';
        } else if (c >= 'a' && c <= 'f') {
            d = c - 'a' + 10;
        } else if (c >= 'A' && c <= 'F') {
            d = c - 'A' + 10;
        }
        if (d < 0 || d >= base) {
            break;
        }
        v = std::min<long long>(v * base + d, 0xFFFFFFFFLL);
        ++used;
    }
    if (ok != nullptr) {
        *ok = used > 0 || base == 8;
    }
    return negative ? -v : v;
}

namespace {

// A percentage of `current`; nullopt when no digits follow the sign.
std::optional<int> percentOf(std::string_view digits, int current) {
    const bool negative = !digits.empty() && digits.front() == '-';
    auto n = leadingDecimal(withoutSign(digits));
    if (!n) {
        return std::nullopt;
    }
    return mulDiv(current, negative ? -*n : *n, 100);
}

// `number` of the two-letter `unit` in pixels; nullopt for a unit this reader does not know.
std::optional<long long> inPixels(std::string_view unit, long long number, int fontHeight,
                                  const StyleContext& ctx) {
    const long long dpi = ctx.dpi;
    if (unit == "px") {
        return number;
    }
    if (unit == "ex") {
        return number * ctx.xHeight;
    }
    if (unit == "em") {
        return number * fontHeight;
    }
    if (unit == "in") {
        return number * dpi;
    }
    if (unit == "cm") {
        return static_cast<long long>(number * dpi * 0.3937007874);
    }
    if (unit == "mm") {
        return static_cast<long long>(number * dpi * 0.03937007874);
    }
    if (unit == "pt") {
        return mulDiv(number, dpi, 72);
    }
    if (unit == "pc") {
        return mulDiv(number, dpi, 6);
    }
    return std::nullopt;
}

}  // namespace

int readLength(std::string_view value, int current, int fontHeight, const StyleContext& ctx,
               LengthKind kind) {
    std::string_view v = trim(value);
    if (v.empty()) {
        return current;
    }
    if (v.back() == '%') {
        return percentOf(v.substr(0, v.size() - 1), current).value_or(current);
    }
    v = withoutSign(v);
    if (v.size() >= 2) {
        const std::optional<long long> n = leadingDecimal(v);
        if (auto len = inPixels(v.substr(v.size() - 2), n.value_or(0), fontHeight, ctx)) {
            return n ? clampLength(*len) : current;
        }
    }
    bool ok = false;
    const long long n = readAutoBaseInteger(v, &ok);
    if (!ok) {
        return current;
    }
    if (kind == LengthKind::fontSize && n >= 1 && n <= 7) {
        return kFontSizes[static_cast<std::size_t>(n - 1)];
    }
    return clampLength(n);
}

std::optional<Colour> readColour(std::string_view value, const ColourNames& names) {
    std::string_view v = trim(value);
    if (v.empty()) {
        return std::nullopt;
    }
    if (v.front() == '#') {
        if (v.size() != 7) {
            return std::nullopt;
        }
        bool ok = false;
        const long long rgb =
            readAutoBaseInteger(std::string("0x") + std::string(v.substr(1)), &ok);
        if (!ok || !std::all_of(v.begin() + 1, v.end(), [](char c) {
                return std::isxdigit(static_cast<unsigned char>(c));
            })) {
            return std::nullopt;
        }
        return Colour::fromRgb(static_cast<int>(rgb >> 16), static_cast<int>(rgb >> 8),
                               static_cast<int>(rgb));
    }
    if (isDigit(v.front()) || v.front() == '+' || v.front() == '-') {
        bool ok = false;
        const long long n = readAutoBaseInteger(v, &ok);
        if (!ok) {
            return std::nullopt;
        }
        return Colour{static_cast<std::uint32_t>(n) & 0xFFFFFFu};
    }
    return names.find(v);
}

int effectCode(std::string_view keyword, int current) {
    static constexpr std::array<std::string_view, 17> kEffects{
        "transparent", "solid",      "hgradient", "vgradient", "hcgradient", "vcgradient",
        "3hgradient",  "3vgradient", "noise",     "diagshade", "hshade",     "vshade",
        "hbump",       "vbump",      "softbump",  "hardbump",  "metal"};
    const std::string_view k = trim(keyword);
    for (std::size_t i = 0; i < kEffects.size(); ++i) {
        if (kEffects[i] == k) {
            return static_cast<int>(i) - 1;
        }
    }
    return current;
}

int keywordCode(std::string_view word, std::span<const Keyword> words, int current) {
    for (const Keyword& k : words) {
        if (k.word == word) {
            return k.code;
        }
    }
    return current;
}

int borderStyleCode(std::string_view keyword, int current) {
    static constexpr Keyword kStyles[] = {{"", 0},       {"none", 0},   {"solid", 1},
                                          {"dashed", 2}, {"dotted", 3}, {"double", 6}};
    return keywordCode(trim(keyword), kStyles, current);
}

void setTextColour(StyleState& s, std::string_view value, const StyleContext& ctx) {
    if (!ctx.coloursEnabled) {
        s.textColor = ctx.disabledColour;
        return;
    }
    if (auto c = readColour(value, *ctx.names)) {
        s.textColor = *c;
    }
}

namespace {

void setBorderColours(StyleState& s, std::string_view value, bool light, bool dark,
                      const StyleContext& ctx) {
    std::optional<Colour> c =
        ctx.coloursEnabled ? readColour(value, *ctx.names) : std::optional(ctx.disabledColour);
    if (!c) {
        return;
    }
    if (light) {
        s.borderLightColor = *c;
    }
    if (dark) {
        s.borderDarkColor = *c;
    }
}

}  // namespace

void setBorderColour(StyleState& s, std::string_view value, const StyleContext& ctx) {
    setBorderColours(s, value, true, true, ctx);
}

void setLightBorderColour(StyleState& s, std::string_view value, const StyleContext& ctx) {
    setBorderColours(s, value, true, false, ctx);
}

void setDarkBorderColour(StyleState& s, std::string_view value, const StyleContext& ctx) {
    setBorderColours(s, value, false, true, ctx);
}

void setTextBackground(StyleState& s, std::string_view value, const StyleContext& ctx) {
    const std::string_view v = trim(value);
    if (!ctx.coloursEnabled || v.empty() || v == "transparent") {
        s.backMode = 1;
        return;
    }
    if (auto c = readColour(v, *ctx.names)) {
        s.backColor = *c;
        s.backMode = 2;
    }
}

void setBorderWidth(StyleState& s, std::string_view value, const StyleContext& ctx) {
    const std::string_view v = trim(value);
    int w = s.borderWidth;
    if (v == "thin") {
        w = mulDiv(s.borderWidth, 75, 100);
    } else if (v == "thick") {
        w = mulDiv(s.borderWidth, 125, 100);
    } else if (v != "medium") {
        w = readLength(v, s.borderWidth, s.fontSize, ctx);
    }
    s.borderWidth = std::clamp(w, 0, 1000);
    if (s.borderWidth == 0) {
        s.borderStyle = 0;
    } else if (s.borderStyle == 0) {
        s.borderStyle = 1;
    }
}

void setBorderStyle(StyleState& s, std::string_view value) {
    s.borderStyle = borderStyleCode(value, s.borderStyle);
    if (s.borderStyle != 0 && s.borderWidth == 0) {
        s.borderWidth = 1;
    }
}

void setCellPadding(StyleState& s, std::string_view value, const StyleContext& ctx) {
    s.cellPadding = std::clamp(readLength(value, s.cellPadding, s.fontSize, ctx), 0, 1000);
}

void setCellSpacing(StyleState& s, std::string_view value, const StyleContext& ctx) {
    s.cellSpacing = std::clamp(readLength(value, s.cellSpacing, s.fontSize, ctx), 0, 1000);
}

namespace {

void setWeight(StyleState& s, std::string_view value) {
    const std::string_view v = trim(value);
    if (v.empty() || v == "normal") {
        s.fontWeight = 400;
    } else if (v == "bold") {
        s.fontWeight = 700;
    } else if (v == "bolder") {
        s.fontWeight = 900;
    } else if (v == "lighter") {
        s.fontWeight = 100;
    } else if (auto n = leadingDecimal(v)) {
        s.fontWeight = static_cast<int>(std::clamp<long long>(*n, 100, 900));
    }
}

void setFontSize(StyleState& s, std::string_view value, const StyleContext& ctx) {
    s.fontSize =
        std::clamp(readLength(value, s.fontSize, s.fontSize, ctx, LengthKind::fontSize), 1, 2000);
}

void setFontStyleLetters(StyleState& s, std::string_view letters) {
    bool on = true;
    for (char c : letters) {
        switch (c) {
            case '-':
                on = false;
                continue;
            case '+':
                on = true;
                continue;
            case 'b':
                s.fontWeight = on ? 700 : 400;
                break;
            case 'i':
                s.italic = on;
                break;
            case 'u':
                s.underline = on;
                break;
            case 's':
                s.strikeout = on;
                break;
            case 'o':
                s.overline = on;
                break;
            default:
                break;
        }
        on = true;
    }
}

void setTextDecoration(StyleState& s, std::string_view value) {
    std::string_view rest = value;
    bool any = false;
    while (true) {
        const std::size_t start = rest.find_first_not_of(" ,\t");
        if (start == std::string_view::npos) {
            break;
        }
        rest.remove_prefix(start);
        const std::size_t end = std::min(rest.find_first_of(" ,\t"), rest.size());
        const std::string_view word = rest.substr(0, end);
        rest.remove_prefix(end);
        any = true;
        if (word == "none") {
            s.underline = s.strikeout = s.overline = false;
        } else if (word == "underline") {
            s.underline = true;
        } else if (word == "line-through") {
            s.strikeout = true;
        } else if (word == "overline") {
            s.overline = true;
        }
    }
    if (!any) {
        s.underline = s.strikeout = s.overline = false;
    }
}

}  // namespace

void applyFontAttribute(StyleState& s, std::string_view name, std::string_view value,
                        const StyleContext& ctx) {
    if (name == "face") {
        if (!value.empty()) {
            s.fontFace = std::string(value);
        }
    } else if (name == "size") {
        setFontSize(s, value, ctx);
    } else if (name == "color") {
        setTextColour(s, value, ctx);
    } else if (name == "style") {
        setFontStyleLetters(s, value);
    } else if (name == "weight") {
        setWeight(s, value);
    } else if (name == "bkgnd") {
        setTextBackground(s, value, ctx);
    }
}

namespace {

void setFontFamily(StyleState& s, std::string_view value, const StyleContext&) {
    if (!value.empty()) {
        s.fontFace = std::string(value);
    }
}

void setFontStyle(StyleState& s, std::string_view value, const StyleContext&) {
    static constexpr Keyword kStyles[] = {{"", 0}, {"normal", 0}, {"italic", 1}, {"oblique", 1}};
    s.italic = keywordCode(value, kStyles, s.italic ? 1 : 0) != 0;
}

constexpr Keyword kTextAligns[] = {{"", 0}, {"left", 0}, {"center", 1}, {"right", 2}};
constexpr Keyword kTextTransforms[] = {
    {"", 0}, {"none", 0}, {"uppercase", 1}, {"lowercase", 2}, {"capitalize", 3}};
constexpr Keyword kVerticalAligns[] = {{"", 3},        {"baseline", 3}, {"middle", 1},
                                       {"vcenter", 1}, {"top", 0},      {"bottom", 2}};

struct Property {
    std::string_view name;
    StyleSetter set;
};

// Padding is read the way a style-sheet author means it: the space inside a cell, margin the
// space between cells.
const Property kProperties[] = {
    {"font-size", setFontSize},
    {"font-family", setFontFamily},
    {"font-style", setFontStyle},
    {"font-weight", withoutContext<setWeight>},
    {"text-align", setKeyword<&StyleState::hAlign, kTextAligns>},
    {"text-transform", setKeyword<&StyleState::textTransform, kTextTransforms>},
    {"color", setTextColour},
    {"background-color", setTextBackground},
    {"text-decoration", withoutContext<setTextDecoration>},
    {"vertical-align", setKeyword<&StyleState::vAlign, kVerticalAligns>},
    {"border-color", setBorderColour},
    {"border-width", setBorderWidth},
    {"size", setBorderWidth},
    {"border-style", withoutContext<setBorderStyle>},
    {"padding", setCellPadding},
    {"margin", setCellSpacing},
};

}  // namespace

void applyStyleProperty(StyleState& s, std::string_view name, std::string_view value,
                        const StyleContext& ctx) {
    for (const Property& property : kProperties) {
        if (property.name == name) {
            property.set(s, trim(value), ctx);
            return;
        }
    }
}

void applyDeclarations(StyleState& s, std::string_view declarations, const StyleContext& ctx) {
    std::string_view rest = declarations;
    while (!rest.empty()) {
        const std::size_t semi = std::min(rest.find(';'), rest.size());
        const std::string_view decl = rest.substr(0, semi);
        rest.remove_prefix(std::min(semi + 1, rest.size()));
        const std::size_t colon = decl.find(':');
        if (colon == std::string_view::npos) {
            continue;
        }
        const std::string_view name = trim(decl.substr(0, colon));
        std::string_view value = trim(decl.substr(colon + 1));
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
            value = value.substr(1, value.size() - 2);
        }
        applyStyleProperty(s, name, value, ctx);
    }
}

std::string transformText(std::string_view text, int textTransform) {
    std::string out(text);
    auto upper = [](char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c; };
    auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; };
    switch (textTransform) {
        case 1:
            std::transform(out.begin(), out.end(), out.begin(), upper);
            break;
        case 2:
            std::transform(out.begin(), out.end(), out.begin(), lower);
            break;
        case 3:
            std::transform(out.begin(), out.end(), out.begin(), lower);
            for (std::size_t i = 0; i < out.size(); ++i) {
                if (i == 0 || out[i - 1] == ' ') {
                    out[i] = upper(out[i]);
                }
            }
            break;
        default:
            break;
    }
    return out;
}

StyleSheet::StyleSheet() {
    set({});
}

std::string_view StyleSheet::defaultText() {
    return "body {font-size: 10pt; color:black; font-family:Verdana}\r\n"
           "p {font-size: 10pt; color:black; font-family:Verdana; font-weight:bold}\r\n"
           "h1 {font-size: 14pt; color:black; font-family:Verdana; font-weight:bold}\r\n"
           "h2 {font-size: 13pt; color:#ff9900; font-family:Verdana; font-weight:bold}\r\n"
           "h3 {font-size: 12pt; color:#ff9900; font-family:Arial; font-weight:bold}\r\n"
           "h4 {font-size: 10pt; color:black; font-family:Verdana; font-weight:bold}\r\n"
           "h5 {font-size: 9pt; color:#ff9900; font-family:Verdana; font-weight:bold}\r\n"
           "h6 {font-size: 65%; color:#626262; font-family:Verdana; font-weight:normal}\r\n"
           "pre {font-size: 9pt; font-family:\"Courier\"; background-color:#fbedbb}\r\n"
           "code {color:#990000; font-family:Arial}\r\n"
           "a:link {text-decoration:none; color:blue}\r\n"
           "a:hover {text-decoration:underline; color:blue}\r\n"
           "sub {font-size:65%; vertical-align:bottom}\r\n"
           "sup {font-size:65%; vertical-align:top}\r\n"
           "big {font-size:125%}\r\n"
           "small {font-size:75%}\r\n"
           ".cpp-comment {color:green; font-style:italic}\r\n";
}

void StyleSheet::set(std::string_view text) {
    rules_.clear();
    const std::string sheet = lowered(text.empty() ? defaultText() : text);
    std::string_view rest = sheet;
    while (true) {
        const std::size_t open = rest.find('{');
        if (open == std::string_view::npos) {
            break;
        }
        const std::size_t close = rest.find('}', open);
        const std::string_view sel = trim(rest.substr(0, open));
        const std::string_view body = rest.substr(
            open + 1, (close == std::string_view::npos ? rest.size() : close) - open - 1);
        if (!sel.empty()) {
            rules_[std::string(sel)] = std::string(body);
        }
        if (close == std::string_view::npos) {
            break;
        }
        rest.remove_prefix(close + 1);
    }
}

const std::string* StyleSheet::rule(std::string_view selector) const {
    auto it = rules_.find(selector);
    return it == rules_.end() ? nullptr : &it->second;
}

}  // namespace vn340
