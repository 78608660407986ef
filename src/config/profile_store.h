#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vn340 {

// Typed access to one INI file through the private-profile layer. Nothing is cached: every
// read goes to the file, so two stores bound to one file see each other's writes at once.
// Section and key names compare without regard to letter case.
class ProfileStore {
public:
    void setPath(std::optional<std::string> path);
    const std::string& path() const { return path_; }

    std::string getString(std::string_view section, std::string_view key,
                          std::string_view defaultValue = {}) const;
    std::size_t getStringInto(std::string_view section, std::string_view key, char* buffer,
                              std::size_t capacity, std::string_view defaultValue = {}) const;
    bool writeString(std::string_view section, std::string_view key, std::string_view value);

    int getInt(std::string_view section, std::string_view key, int defaultValue,
               int base = 10) const;
    bool writeInt(std::string_view section, std::string_view key, int value, int base = 10);

    bool getBool(std::string_view section, std::string_view key, bool defaultValue) const;
    bool writeBool(std::string_view section, std::string_view key, bool flag);

    // Empties `list`, then splits the value at every delimiter, trimming each piece and
    // dropping empty ones. An empty delimiter keeps the whole value as one element.
    void getArray(std::string_view section, std::string_view key, std::vector<std::string>& list,
                  std::string_view delimiter = ",") const;
    // Joins the first `count` elements (all when count < 0 or past the end).
    bool writeArray(std::string_view section, std::string_view key,
                    const std::vector<std::string>& list, int count = -1,
                    std::string_view delimiter = ",");

    bool deleteKey(std::string_view section, std::string_view key);
    std::vector<std::string> sectionNames() const;
    bool sectionExists(std::string_view name) const;
    bool keyExists(std::string_view section, std::string_view key) const;

private:
    std::string path_;
};

}  // namespace vn340
