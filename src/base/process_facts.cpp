// Linux's process status text, read apart from the system so that any text can be tried.

#include <algorithm>
#include <charconv>

#include "base/process_facts.h"

namespace vn340 {

long long residentKilobytesIn(std::string_view status) {
    constexpr std::string_view kLabel = "VmRSS:";
    while (!status.empty()) {
        const std::size_t end = status.find('\n');
        std::string_view line = status.substr(0, end);
        status.remove_prefix(end == std::string_view::npos ? status.size() : end + 1);
        if (line.substr(0, kLabel.size()) != kLabel) {
            continue;
        }
        line.remove_prefix(kLabel.size());
        line.remove_prefix(std::min(line.find_first_not_of(" \t"), line.size()));
        long long kilobytes = -1;
        const auto [rest, error] =
            std::from_chars(line.data(), line.data() + line.size(), kilobytes);
        return error == std::errc() ? kilobytes : -1;
    }
    return -1;
}

}  // namespace vn340
