#include "config/profile_store.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace vn340 {
namespace {

constexpr std::size_t kNumberTextLimit = 64;

int effectiveBase(int base) {
    return (base == 2 || base == 8 || base == 16) ? base : 10;
}

int digitValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'z') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'Z') {
        return c - 'A' + 10;
    }
    return 99;
}

bool isSpace(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

// Converts like the C library's strtoul with a 32-bit unsigned long, as the Windows program
// did: an overflow gives the largest value, a minus sign negates modulo 2^32.
std::uint32_t toUnsigned32(std::string_view text, int base) {
    std::size_t i = 0;
    while (i < text.size() && isSpace(text[i])) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    if (base == 16 && i + 2 < text.size() && text[i] == '0' &&
        (text[i + 1] == 'x' || text[i + 1] == 'X') && digitValue(text[i + 2]) < 16) {
        i += 2;
    }
    std::uint64_t value = 0;
    bool overflow = false;
    for (; i < text.size() && digitValue(text[i]) < base; ++i) {
        value = value * static_cast<unsigned>(base) + static_cast<unsigned>(digitValue(text[i]));
        if (value > UINT32_MAX) {
            overflow = true;
            value = UINT32_MAX;
        }
    }
    if (overflow) {
        return UINT32_MAX;
    }
    const auto result = static_cast<std::uint32_t>(value);
    return negative ? static_cast<std::uint32_t>(0u - result) : result;
}

std::string inBase(std::uint32_t value, int base) {
    if (value == 0) {
        return "0";
    }
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string digits;
    for (; value != 0; value /= static_cast<unsigned>(base)) {
        digits.insert(digits.begin(), kDigits[value % static_cast<unsigned>(base)]);
    }
    return digits;
}

bool sameTextIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               const auto lower = [](char c) {
                   return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
               };
               return lower(x) == lower(y);
           });
}

std::string_view withoutTrailingSpaces(std::string_view text) {
    while (!text.empty() && text.back() == ' ') {
        text.remove_suffix(1);
    }
    return text;
}

std::string_view trimPiece(std::string_view piece) {
    constexpr std::string_view kTrimmed = " \t\r\n";
    const std::size_t first = piece.find_first_not_of(kTrimmed);
    if (first == piece.npos) {
        return {};
    }
    return piece.substr(first, piece.find_last_not_of(kTrimmed) - first + 1);
}

bool noName(std::string_view section, std::string_view key) {
    return section.empty() || key.empty();
}

}  // namespace

void ProfileStore::setPath(std::optional<std::string> path) {
    path_ = path ? std::move(*path) : std::string();
}

std::string ProfileStore::getString(std::string_view section, std::string_view key,
                                    std::string_view defaultValue) const {
    if (noName(section, key)) {
        return std::string(defaultValue);
    }
    std::optional<std::string> value = profile::getString(path_, section, key);
    return value ? std::move(*value) : std::string(withoutTrailingSpaces(defaultValue));
}

std::size_t ProfileStore::getStringInto(std::string_view section, std::string_view key,
                                        char* buffer, std::size_t capacity,
                                        std::string_view defaultValue) const {
    const std::string value = getString(section, key, defaultValue);
    if (buffer == nullptr || capacity == 0) {
        return 0;
    }
    const std::size_t copied = std::min(value.size(), capacity - 1);
    std::memcpy(buffer, value.data(), copied);
    buffer[copied] = '\0';
    return std::min(value.size(), capacity);
}

bool ProfileStore::remember(ProfileWriteResult result) {
    lastError_ = std::move(result);
    return lastError_.ok();
}

bool ProfileStore::writeString(std::string_view section, std::string_view key,
                               std::string_view value) {
    return remember(profile::writeString(path_, section, key, value));
}

int ProfileStore::getInt(std::string_view section, std::string_view key, int defaultValue,
                         int base) const {
    const std::string value = getString(section, key);
    if (value.empty()) {
        return defaultValue;
    }
    const std::string_view head = std::string_view(value).substr(0, kNumberTextLimit);
    return static_cast<int>(toUnsigned32(head, effectiveBase(base)));
}

bool ProfileStore::writeInt(std::string_view section, std::string_view key, int value, int base) {
    const int used = effectiveBase(base);
    const std::string text =
        used == 10 ? std::to_string(value) : inBase(static_cast<std::uint32_t>(value), used);
    return writeString(section, key, text);
}

bool ProfileStore::getBool(std::string_view section, std::string_view key,
                           bool defaultValue) const {
    const std::string value = getString(section, key);
    if (value.empty()) {
        return defaultValue;
    }
    const std::string_view head = std::string_view(value).substr(0, kNumberTextLimit);
    if (sameTextIgnoringCase(head, "true") || sameTextIgnoringCase(head, "yes")) {
        return true;
    }
    return toUnsigned32(head, 10) != 0;
}

bool ProfileStore::writeBool(std::string_view section, std::string_view key, bool flag) {
    return writeString(section, key, flag ? "1" : "0");
}

void ProfileStore::getArray(std::string_view section, std::string_view key,
                            std::vector<std::string>& list, std::string_view delimiter) const {
    list.clear();
    if (noName(section, key)) {
        return;
    }
    const std::string value = getString(section, key);
    if (value.empty()) {
        return;
    }
    if (delimiter.empty()) {
        list.push_back(value);
        return;
    }
    std::string_view rest = value;
    while (true) {
        const std::size_t at = rest.find(delimiter);
        const std::string_view piece = trimPiece(rest.substr(0, at));
        if (!piece.empty()) {
            list.emplace_back(piece);
        }
        if (at == rest.npos) {
            break;
        }
        rest.remove_prefix(at + delimiter.size());
    }
}

bool ProfileStore::writeArray(std::string_view section, std::string_view key,
                              const std::vector<std::string>& list, int count,
                              std::string_view delimiter) {
    if (delimiter.empty()) {
        delimiter = ",";
    }
    const std::size_t used = (count < 0 || static_cast<std::size_t>(count) > list.size())
                                 ? list.size()
                                 : static_cast<std::size_t>(count);
    std::string joined;
    for (std::size_t i = 0; i < used; ++i) {
        if (i > 0) {
            joined.append(delimiter);
        }
        joined.append(list[i]);
    }
    return writeString(section, key, joined);
}

bool ProfileStore::deleteKey(std::string_view section, std::string_view key) {
    return remember(profile::deleteKey(path_, section, key));
}

std::vector<std::string> ProfileStore::sectionNames() const {
    return profile::sectionNames(path_);
}

bool ProfileStore::sectionExists(std::string_view name) const {
    if (name.empty()) {
        return false;
    }
    const std::vector<std::string> names = sectionNames();
    return std::any_of(names.begin(), names.end(),
                       [&](const std::string& each) { return sameTextIgnoringCase(each, name); });
}

bool ProfileStore::keyExists(std::string_view section, std::string_view key) const {
    if (noName(section, key)) {
        return false;
    }
    return getString(section, key, kAbsentSentinel) != kAbsentSentinel;
}

}  // namespace vn340
