#pragma once

#include <string>
#include <string_view>

namespace vn340 {

// The words of a help text without its markup, for assistive technology: tags dropped,
// entities decoded, breaks and rules as line breaks, table cells apart by a tab and their rows
// on lines of their own. Blanks at the start and end are trimmed. The text is UTF-8.
std::string markupPlainText(std::string_view markup);

}  // namespace vn340
