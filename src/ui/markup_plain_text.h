#pragma once

#include <string_view>

#include <QString>

namespace vn340 {

// The words of a help text without its markup, for assistive technology: tags dropped,
// entities decoded, breaks and rules as line breaks, table cells apart by a tab and their rows
// on lines of their own. Blanks at the start and end are trimmed.
QString markupPlainText(std::string_view markup);

}  // namespace vn340
