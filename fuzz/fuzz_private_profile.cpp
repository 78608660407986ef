// Arbitrary file bytes, names and values through the private-profile layer. Whatever the file
// holds, a write that the layer accepts must read back as written (less the blanks and the
// outer quotes that reading drops), must keep every section the file had, and a deletion must
// make the key read as the next duplicate or as absent. The same holds for the file's text
// saved in UTF-16, which stays in UTF-16.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/windows1252.h"
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

// The Windows-1252 text as a text editor's "Unicode" save holds it.
std::string utf16(std::string_view text) {
    std::string bytes = "\xFF\xFE";
    for (char byte : text) {
        const char32_t c = vn340::fromWindows1252(static_cast<unsigned char>(byte));
        bytes.push_back(static_cast<char>(c & 0xFF));
        bytes.push_back(static_cast<char>(c >> 8));
    }
    return bytes;
}

void checkWrite(std::string_view content, std::string_view section, std::string_view key,
                std::string_view value) {
    const std::vector<std::string> before = vn340::profile::sectionNamesIn(content);
    const std::optional<std::string> written =
        vn340::profile::withValue(content, section, key, value);
    if (!written || vn340::profile::findValue(*written, section, key) != readBack(value)) {
        std::abort();
    }
    if (content.starts_with("\xFF\xFE") && !written->starts_with("\xFF\xFE")) {
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
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view rest(reinterpret_cast<const char*>(data), size);
    const std::string_view content = nextPart(rest);
    const std::string_view section = nextPart(rest);
    const std::string_view key = nextPart(rest);
    const std::string_view value = rest;

    (void)vn340::profile::findValue(content, section, key);
    if (!vn340::profile::nameProblem(section, key, value).empty()) {
        return 0;
    }
    checkWrite(content, section, key, value);
    checkWrite(utf16(content), section, key, value);
    return 0;
}
