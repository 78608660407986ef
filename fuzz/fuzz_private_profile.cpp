// Arbitrary file bytes, names and values through the private-profile layer. Whatever the file
// holds, a write that the layer accepts must read back as written (less the blanks and the
// outer quotes that reading drops), must keep every section the file had, and a deletion must
// make the key read as the next duplicate or as absent.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "config/private_profile.h"

namespace {

std::string_view nextPart(std::string_view& rest) {
    const std::size_t cut = rest.find('\0');
    const std::string_view part = rest.substr(0, cut);
    rest.remove_prefix(cut == std::string_view::npos ? rest.size() : cut + 1);
    return part;
}

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) {
        text.remove_prefix(1);
    }
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) {
        text.remove_suffix(1);
    }
    return text;
}

std::string readBack(std::string_view value) {
    value = trimmed(value);
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front()) {
        value = value.substr(1, value.size() - 2);
    }
    return std::string(value);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view rest(reinterpret_cast<const char*>(data), size);
    const std::string_view content = nextPart(rest);
    const std::string_view section = nextPart(rest);
    const std::string_view key = nextPart(rest);
    const std::string_view value = rest;

    (void)vn340::profile::findValue(content, section, key);
    const std::vector<std::string> before = vn340::profile::sectionNamesIn(content);
    if (!vn340::profile::nameProblem(section, key, value).empty()) {
        return 0;
    }
    const std::optional<std::string> written =
        vn340::profile::withValue(content, section, key, value);
    if (!written || vn340::profile::findValue(*written, section, key) != readBack(value)) {
        std::abort();
    }
    const std::vector<std::string> after = vn340::profile::sectionNamesIn(*written);
    if (after.size() < before.size() || !std::equal(before.begin(), before.end(), after.begin())) {
        std::abort();
    }
    const std::optional<std::string> deleted =
        vn340::profile::withValue(*written, section, key, std::nullopt);
    if (!deleted || vn340::profile::sectionNamesIn(*deleted) != after) {
        std::abort();
    }
    return 0;
}
