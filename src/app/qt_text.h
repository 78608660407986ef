#pragma once

// The core's texts are UTF-8 byte strings; every text the window shows passes through here
// on its way into Qt.

#include <QString>

#include <string_view>

namespace vn340 {

inline QString fromStd(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace vn340
