#include "markup/markup_plain_text.h"

#include <algorithm>

#include "base/windows1252.h"
#include "markup/markup_tokenizer.h"

namespace vn340 {

namespace {

void trimBlanks(std::string& out) {
    while (!out.empty() && out.back() == ' ') {
        out.pop_back();
    }
}

// Starts a new line unless one has just started; blanks before it are dropped.
void newLine(std::string& out) {
    trimBlanks(out);
    if (!out.empty() && out.back() != '\n') {
        out += '\n';
    }
}

// White space at either end goes: the blanks and line breaks of ASCII and the no-break space
// (Windows-1252 0xA0), as the window's accessible texts have always been trimmed.
std::string_view trimmedWhiteSpace(std::string_view text) {
    auto white = [](char c) { return c == ' ' || (c >= '\t' && c <= '\r') || c == '\xA0'; };
    while (!text.empty() && white(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && white(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

std::string utf8FromWindows1252(std::string_view text) {
    std::u32string characters;
    characters.reserve(text.size());
    for (char c : text) {
        characters += fromWindows1252(static_cast<unsigned char>(c));
    }
    return encodeUtf8(characters);
}

}  // namespace

std::string markupPlainText(std::string_view markup) {
    const std::string document = preprocessMarkup(markup, true);
    std::string out;
    bool cellHasText = false;
    MarkupTokenizer tokenizer(document);
    MarkupToken token;
    while (tokenizer.next(token)) {
        if (token.kind == MarkupToken::Kind::text) {
            out += token.text;
            cellHasText = true;
            continue;
        }
        const std::string_view name = token.name;
        if (name == "br" && !token.closing) {
            trimBlanks(out);
            out.append(static_cast<std::size_t>(std::max(0, tagCount(token.attributes))), '\n');
        } else if (name == "t" && !token.closing) {
            out += '\t';
        } else if (name == "hr" || name == "table" || name == "tr") {
            newLine(out);
            cellHasText = false;
        } else if (name == "td" && !token.closing) {
            // Cells of a row stand apart, but an empty cell (an icon) leaves no gap.
            if (cellHasText && !out.empty() && out.back() != '\n') {
                out += '\t';
            }
            cellHasText = false;
        }
    }
    return utf8FromWindows1252(trimmedWhiteSpace(out));
}

}  // namespace vn340
