#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "config/private_profile.h"

namespace vn340 {

// A value read as an integer the way getInt reads it (see there).
int profileInteger(std::string_view value, int defaultValue, int base = 10);

// The value cut at every delimiter, each piece without the spaces, tabs and line breaks around
// it, empty pieces dropped. An empty delimiter keeps the whole value as the one element.
std::vector<std::string> splitList(std::string_view value, std::string_view delimiter);

// Typed access to one INI file through the private-profile layer. Nothing is cached: every
// read goes to the file, so two stores bound to one file see each other's writes at once.
// Section and key names compare without regard to letter case. An empty section or key name
// stands for "none": reads then give the default and writes fail.
//
// Writes return the success flag; `lastError()` tells why the last write failed (errno and a
// message for the pilot), and is ok() after a write that succeeded.
class ProfileStore {
  public:
    explicit ProfileStore(FileSystem& files = systemFileSystem()) : files_(&files) {}

    // Where the file is read and written.
    FileSystem& fileSystem() const { return *files_; }

    void setPath(std::optional<std::string> path);
    const std::string& path() const { return path_; }

    std::string getString(std::string_view section, std::string_view key,
                          std::string_view defaultValue = {}) const;
    // Copies at most capacity - 1 bytes and always ends the text with a NUL (when capacity > 0);
    // returns the value's length capped at `capacity`, so a result equal to `capacity` means
    // the value was cut.
    std::size_t getStringInto(std::string_view section, std::string_view key, char* buffer,
                              std::size_t capacity, std::string_view defaultValue = {}) const;
    bool writeString(std::string_view section, std::string_view key, std::string_view value);

    // Integers: bases 2, 8 and 16, anything else means 10. A value reads as a number only when
    // it is one whole: white space, a sign, the digits of the base (base 16 may start with
    // "0x"), white space. Anything else (digits followed by letters, letters alone, a sign
    // alone) is damage and gives the default, as an empty or absent value does. Decimal
    // numbers beyond the int range give the nearest limit; hexadecimal, octal and binary texts
    // are the unsigned 32-bit pattern, all ones beyond 32 bits.
    int getInt(std::string_view section, std::string_view key, int defaultValue,
               int base = 10) const;
    bool writeInt(std::string_view section, std::string_view key, int value, int base = 10);

    // "true" or "yes" in any case are true, otherwise a non-zero decimal number; written "1"/"0".
    bool getBool(std::string_view section, std::string_view key, bool defaultValue) const;
    bool writeBool(std::string_view section, std::string_view key, bool flag);

    // Empties `list`, then splits the value at every delimiter, trimming each piece and
    // dropping empty ones. An empty delimiter keeps the whole value as one element.
    void getArray(std::string_view section, std::string_view key, std::vector<std::string>& list,
                  std::string_view delimiter = ",") const;
    // Joins the first `count` elements (all when count < 0 or past the end) with the delimiter
    // between them; an empty delimiter means ",".
    bool writeArray(std::string_view section, std::string_view key,
                    const std::vector<std::string>& list, int count = -1,
                    std::string_view delimiter = ",");

    bool deleteKey(std::string_view section, std::string_view key);
    std::vector<std::string> sectionNames() const;
    bool sectionExists(std::string_view name) const;
    bool keyExists(std::string_view section, std::string_view key) const;

    const SysResult& lastError() const { return lastError_; }

    // Read by keyExists: a key whose value is this text counts as absent.
    static constexpr std::string_view kAbsentSentinel = "{63788286-AE30-4D6B-95DF-3B451C1C79F9}";

  private:
    bool remember(SysResult result);

    FileSystem* files_;
    std::string path_;
    SysResult lastError_;
};

}  // namespace vn340
