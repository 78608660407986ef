#pragma once

// A file's text as its lines, for tests that check what was written line by line.

#include <sstream>
#include <string>
#include <vector>

namespace vn340::testing {

inline std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

}  // namespace vn340::testing
