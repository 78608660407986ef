#include "markup/markup_tokenizer.h"

#include <algorithm>
#include <array>
#include <map>
#include <utility>

namespace vn340 {

namespace {

void replaceAll(std::string& text, std::string_view from, std::string_view to) {
    std::string out;
    std::size_t start = 0;
    std::size_t hit = text.find(from);
    if (hit == std::string::npos) {
        return;
    }
    out.reserve(text.size());
    while (hit != std::string::npos) {
        out.append(text, start, hit - start);
        out.append(to);
        start = hit + from.size();
        hit = text.find(from, start);
    }
    out.append(text, start, std::string::npos);
    text = std::move(out);
}

bool isNameStart(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.';
}

}  // namespace

std::string replaceEntities(std::string_view text) {
    // The euro sign is 0x80 in Windows-1252, the code page the help texts are drawn in.
    static constexpr std::array<std::pair<std::string_view, std::string_view>, 13> kEntities{{
        {"&amp;", "&"},
        {"&bull;", "\x95"},
        {"&copy;", "\xA9"},
        {"&euro;", "\x80"},
        {"&gt;", ">"},
        {"&iquest;", "\xBF"},
        {"&lt;", "<<"},
        {"&nbsp;", " "},
        {"&para;", "\xB6"},
        {"&pound;", "\xA3"},
        {"&quot;", "\""},
        {"&reg;", "\xAE"},
        {"&trade;", "\x99"},
    }};
    std::string out(text);
    if (out.find('&') == std::string::npos) {
        return out;
    }
    for (const auto& [name, replacement] : kEntities) {
        replaceAll(out, name, replacement);
    }
    return out;
}

std::string preprocessMarkup(std::string_view text, bool newlineConversion) {
    const std::string replaced = replaceEntities(text);
    std::string out = "<body>";
    out.reserve(replaced.size() + 16);
    for (char c : replaced) {
        if (c == '\r') {
            continue;
        }
        if (c == '\n' || c == '\t') {
            if (newlineConversion) {
                out += c == '\n' ? "<br>" : "<t>";
            }
            continue;
        }
        out += c;
    }
    out += "</body>";
    return out;
}

bool MarkupTokenizer::next(MarkupToken& token) {
    if (pos_ >= text_.size()) {
        return false;
    }
    if (text_[pos_] != '<' || (pos_ + 1 < text_.size() && text_[pos_ + 1] == '<')) {
        token.kind = MarkupToken::Kind::text;
        token.text.clear();
        while (pos_ < text_.size()) {
            const std::size_t lt = text_.find('<', pos_);
            const std::size_t end = lt == std::string_view::npos ? text_.size() : lt;
            token.text.append(text_.substr(pos_, end - pos_));
            pos_ = end;
            if (lt == std::string_view::npos || lt + 1 >= text_.size() || text_[lt + 1] != '<') {
                break;
            }
            token.text += '<';
            pos_ = lt + 2;
        }
        return true;
    }
    const std::size_t gt = text_.find('>', pos_);
    const std::size_t end = gt == std::string_view::npos ? text_.size() : gt;
    std::string_view tag = text_.substr(pos_ + 1, end - pos_ - 1);
    pos_ = gt == std::string_view::npos ? text_.size() : gt + 1;
    token.kind = MarkupToken::Kind::tag;
    token.closing = !tag.empty() && tag.front() == '/';
    if (token.closing) {
        tag.remove_prefix(1);
    }
    const std::size_t nameEnd = std::min(tag.find_first_of(" ="), tag.size());
    token.name = tag.substr(0, nameEnd);
    std::string_view attrs = tag.substr(nameEnd);
    while (!attrs.empty() && attrs.front() == ' ') {
        attrs.remove_prefix(1);
    }
    token.attributes = attrs;
    return true;
}

std::vector<MarkupAttribute> parseAttributes(std::string_view attributes) {
    std::vector<MarkupAttribute> out;
    std::size_t i = 0;
    const std::size_t n = attributes.size();
    while (i < n) {
        while (i < n && !isNameStart(attributes[i])) {
            ++i;
        }
        if (i >= n) {
            break;
        }
        const std::size_t nameStart = i;
        while (i < n && attributes[i] != ' ' && attributes[i] != '=') {
            ++i;
        }
        MarkupAttribute attr{attributes.substr(nameStart, i - nameStart), {}};
        std::size_t j = i;
        while (j < n && attributes[j] == ' ') {
            ++j;
        }
        if (j < n && attributes[j] == '=') {
            ++j;
            while (j < n && attributes[j] == ' ') {
                ++j;
            }
            if (j < n && (attributes[j] == '"' || attributes[j] == '\'')) {
                const char quote = attributes[j];
                const std::size_t close = std::min(attributes.find(quote, j + 1), n);
                attr.value = attributes.substr(j + 1, close - j - 1);
                i = std::min(close + 1, n);
            } else {
                const std::size_t close = std::min(attributes.find(' ', j), n);
                attr.value = attributes.substr(j, close - j);
                i = close;
            }
        }
        out.push_back(attr);
    }
    return out;
}

int tagCount(std::string_view attributes) {
    if (attributes.empty() || attributes.front() != '=') {
        return 1;
    }
    int count = 0;
    for (std::size_t i = 1; i < attributes.size() && attributes[i] >= '0' && attributes[i] <= '9';
         ++i) {
        // A count beyond this is never meant; capping it keeps the layout's sums finite.
        count = std::min(count * 10 + (attributes[i] - '0'), 1000);
    }
    return count;
}

const TagInfo* findTag(std::string_view name) {
    static const std::map<std::string_view, TagInfo, std::less<>> kTags{
        {"b", {TagCode::bold, "bold"}},
        {"i", {TagCode::italic, "italic"}},
        {"em", {TagCode::italic, "italic"}},
        {"u", {TagCode::underline, "underline"}},
        {"s", {TagCode::strikeout, "strikeout"}},
        {"strike", {TagCode::strikeout, "strikeout"}},
        {"font", {TagCode::font, "font"}},
        {"left", {TagCode::left, "left"}},
        {"center", {TagCode::center, "center"}},
        {"right", {TagCode::right, "right"}},
        {"justify", {TagCode::justify, "justify"}},
        {"baseline", {TagCode::baseline, "baseline"}},
        {"top", {TagCode::top, "top"}},
        {"vcenter", {TagCode::vcenter, "vcenter"}},
        {"middle", {TagCode::vcenter, "vcenter"}},
        {"bottom", {TagCode::bottom, "vcenter"}},
        {"body", {TagCode::sheetRule, "body"}},
        {"h1", {TagCode::sheetRule, "h1"}},
        {"h2", {TagCode::sheetRule, "h2"}},
        {"h3", {TagCode::sheetRule, "h3"}},
        {"h4", {TagCode::sheetRule, "h4"}},
        {"h5", {TagCode::sheetRule, "h5"}},
        {"h6", {TagCode::sheetRule, "h6"}},
        {"code", {TagCode::sheetRule, "code"}},
        {"pre", {TagCode::sheetRule, "pre"}},
        {"big", {TagCode::sheetRule, "big"}},
        {"small", {TagCode::sheetRule, "small"}},
        {"sub", {TagCode::sheetRule, "sub"}},
        {"sup", {TagCode::sheetRule, "sup"}},
        {"span", {TagCode::span, "span"}},
        {"a", {TagCode::link, "link"}},
        {"hr", {TagCode::hr, {}}},
        {"br", {TagCode::br, {}}},
        {"t", {TagCode::tab, {}}},
        {"bmp", {TagCode::bmp, {}}},
        {"icon", {TagCode::icon, {}}},
        {"ilst", {TagCode::ilst, {}}},
        {"string", {TagCode::string, {}}},
    };
    auto it = kTags.find(name);
    return it == kTags.end() ? nullptr : &it->second;
}

}  // namespace vn340
