#include "ui/markup_plain_text.h"

#include <string>

#include "ui/markup_tokenizer.h"
#include "ui/text_device.h"

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

}  // namespace

QString markupPlainText(std::string_view markup) {
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
    return decodeWindows1252(out).trimmed();
}

}  // namespace vn340
