#include "config/profile_store.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "base/ascii_case.h"
#include "base/integer_text.h"

namespace vn340 {
namespace {

constexpr std::size_t kNumberTextLimit = 64;

int effectiveBase(int base) {
    return (base == 2 || base == 8 || base == 16) ? base : 10;
}

// As the C library's strtoul with a 32-bit unsigned long converts, as the Windows program
// did: text without leading digits gives 0.
int convertedHead(std::string_view head, int base) {
    return parseInteger(head, {.base = base, .anyWhiteSpace = true, .unsigned32 = true})
        .value_or(0);
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

int profileInteger(std::string_view value, int defaultValue, int base) {
    const int used = effectiveBase(base);
    // Every number the Windows program wrote reads as strtoul read it there; what it cannot
    // have written ("12abc", "1e2") is damage, not a number to guess at.
    return parseInteger(
               value,
               {.base = used, .anyWhiteSpace = true, .wholeText = true, .unsigned32 = used != 10})
        .value_or(defaultValue);
}

std::vector<std::string> splitList(std::string_view value, std::string_view delimiter) {
    if (delimiter.empty()) {
        return {std::string(value)};
    }
    std::vector<std::string> list;
    while (true) {
        const std::size_t at = value.find(delimiter);
        const std::string_view piece = trimPiece(value.substr(0, at));
        if (!piece.empty()) {
            list.emplace_back(piece);
        }
        if (at == value.npos) {
            return list;
        }
        value.remove_prefix(at + delimiter.size());
    }
}

void ProfileStore::setPath(std::optional<std::string> path) {
    path_ = path ? std::move(*path) : std::string();
}

std::string ProfileStore::getString(std::string_view section, std::string_view key,
                                    std::string_view defaultValue) const {
    if (noName(section, key)) {
        return std::string(defaultValue);
    }
    std::optional<std::string> value = profile::getString(*files_, path_, section, key);
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

bool ProfileStore::remember(SysResult result) {
    lastError_ = std::move(result);
    return lastError_.ok();
}

bool ProfileStore::writeString(std::string_view section, std::string_view key,
                               std::string_view value) {
    return remember(profile::writeString(*files_, path_, section, key, value));
}

int ProfileStore::getInt(std::string_view section, std::string_view key, int defaultValue,
                         int base) const {
    return profileInteger(getString(section, key), defaultValue, base);
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
    if (equalsIgnoringCase(head, "true") || equalsIgnoringCase(head, "yes")) {
        return true;
    }
    return convertedHead(head, 10) != 0;
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
    list = splitList(value, delimiter);
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
    return remember(profile::deleteKey(*files_, path_, section, key));
}

std::vector<std::string> ProfileStore::sectionNames() const {
    return profile::sectionNames(*files_, path_);
}

bool ProfileStore::sectionExists(std::string_view name) const {
    if (name.empty()) {
        return false;
    }
    const std::vector<std::string> names = sectionNames();
    return std::any_of(names.begin(), names.end(),
                       [&](const std::string& each) { return equalsIgnoringCase(each, name); });
}

bool ProfileStore::keyExists(std::string_view section, std::string_view key) const {
    if (noName(section, key)) {
        return false;
    }
    return getString(section, key, kAbsentSentinel) != kAbsentSentinel;
}

}  // namespace vn340
