#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vn340 {

// Entities replaced one after another over the whole text, in byte order of their names, so
// "&amp;lt;" ends up as the escaped "<<".
std::string replaceEntities(std::string_view text);

// The document as the layout walks it: entities replaced, carriage returns dropped, line feeds
// and tabs turned into "<br>" and "<t>" (or dropped), wrapped in "<body>".
std::string preprocessMarkup(std::string_view text, bool newlineConversion);

struct MarkupToken {
    enum class Kind { text, tag };
    Kind kind = Kind::text;
    std::string text;       // a text run with "<<" already turned into "<"
    std::string_view name;  // tag name without the leading "/"
    bool closing = false;
    std::string_view attributes;  // after the name, leading spaces removed
};

class MarkupTokenizer {
  public:
    explicit MarkupTokenizer(std::string_view text) : text_(text) {}
    bool next(MarkupToken& token);
    std::size_t position() const { return pos_; }

  private:
    std::string_view text_;
    std::size_t pos_ = 0;
};

struct MarkupAttribute {
    std::string_view name;
    std::string_view value;
};
std::vector<MarkupAttribute> parseAttributes(std::string_view attributes);
// "<br=3>" and "<t=2>": a count only after "=", else 1.
int tagCount(std::string_view attributes);

enum class TagCode {
    bold,
    italic,
    underline,
    strikeout,
    font,
    left,
    center,
    right,
    justify,
    baseline,
    top,
    vcenter,
    bottom,
    sheetRule,
    span,
    link,
    hr,
    br,
    tab,
    bmp,
    icon,
    ilst,
    string
};
struct TagInfo {
    TagCode code;
    std::string_view stackName;  // empty for content tags
};
const TagInfo* findTag(std::string_view name);

}  // namespace vn340
