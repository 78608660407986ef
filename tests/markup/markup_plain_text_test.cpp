#include <gtest/gtest.h>

#include "markup/markup_plain_text.h"

namespace vn340 {
namespace {

TEST(MarkupPlainText, TagsGoEntitiesAndBreaksStay) {
    struct Row {
        const char* markup;
        const char* plain;  // UTF-8
    };
    const Row rows[] = {
        {"a &amp; b", "a & b"},
        {"<b>bold</b> <font color=red>text</font>", "bold text"},
        {"x &lt;y a<<b", "x <y a<b"},
        {"&euro;5 &quot;Generic&quot;", "\u20ac5 \"Generic\""},
        {"a<br=2>b", "a\n\nb"},
        {"a\nb", "a\nb"},
        {" \n text <hr>after\n", "text\nafter"},
        {"<table><tr><td><icon handle=0x1></td><td>notice</td></tr></table>", "notice"},
        {"x<table><tr><td>a</td><td>b</td></tr><tr><td>c</td></tr></table>y", "x\na\tb\nc\ny"},
        {"<a href=\"http://x\">link</a>", "link"},
        // A no-break space at either end is white space too, inside it stays.
        {"\xA0x\xA0y\xA0", "x\u00A0y"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.markup);
        EXPECT_EQ(markupPlainText(row.markup), row.plain);
    }
}

}  // namespace
}  // namespace vn340
