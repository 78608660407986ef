#pragma once

// The private-profile layer: INI files read and written as bytes, with the rules the Windows
// profile functions follow, so that files written by the Windows editor load here and ours
// load there.
//
// Reading: lines end in CRLF, LF or CR; a line whose first non-blank character is ";" is a
// comment; "[name]" opens a section (blanks around the name dropped, text after the first "]"
// ignored); any other line is a key, and a line without "=" is a key with an empty value;
// blanks (space, tab) around names and values are dropped, a value ends at a NUL, then one
// outer pair of matching double or single quotes around a value is removed. Names compare
// without regard to ASCII letter case; only the first section of a name is searched and the
// first key of a name in it wins. Keys before the first section cannot be read. A missing or
// unreadable file reads as empty.
//
// Writing changes only the line concerned and keeps every other byte. A new file gets
// "[Section]\r\nkey=value\r\n"; a new section is appended at the end; a new key goes after the
// last non-blank line of its section; an existing key keeps its line up to and including the
// "=" (a bare key name its whole line, then "=") and gets the new value. New lines end in
// CRLF; a file that did not end in a line break gets one. Files are read and replaced as a
// whole through the file seam, so the old file stays whole when anything fails.
//
// Names, values and files are Windows-1252 bytes, except a file that starts with the UTF-16
// little-endian byte-order mark: it is read as that text turned into Windows-1252 ("?" for
// what the code page lacks, an odd last byte unread) and written back in UTF-16, every other
// code unit and the odd byte kept.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/file_system.h"

namespace vn340 {

namespace profile {

// ---- On the bytes of a file ----

// The value of `key` in `section`, unquoted; nullopt when the key is absent. Blanks around the
// two names are dropped first.
std::optional<std::string> findValue(std::string_view content, std::string_view section,
                                     std::string_view key);

// Every section name in file order (duplicates included, empty names left out).
std::vector<std::string> sectionNamesIn(std::string_view content);

// Whether some section is named `name`, letter case aside.
bool hasSection(std::string_view content, std::string_view name);

// The file contents after writing `value` to the key, or deleting the key when `value` is
// nullopt. Returns nullopt when nothing changes (deleting an absent key). Names must already
// have passed `nameProblem`.
std::optional<std::string> withValue(std::string_view content, std::string_view section,
                                     std::string_view key, std::optional<std::string_view> value);

// Why these names and value cannot be written so that they read back the same (an empty
// name, a line break or a NUL, a "]" in a section name, a key name with "=" or starting with
// ";" or "["), or an empty text when they can. `value` may be nullopt for a deletion.
std::string nameProblem(std::string_view section, std::string_view key,
                        std::optional<std::string_view> value);

// ---- On files ----

std::optional<std::string> getString(FileSystem& files, const std::string& path,
                                     std::string_view section, std::string_view key);
// A file that exists but cannot be read, or is no regular file, is not written.
SysResult writeString(FileSystem& files, const std::string& path, std::string_view section,
                      std::string_view key, std::string_view value);
// Deleting an absent key (or from a missing file) succeeds and leaves the file as it is.
SysResult deleteKey(FileSystem& files, const std::string& path, std::string_view section,
                    std::string_view key);
std::vector<std::string> sectionNames(FileSystem& files, const std::string& path);

}  // namespace profile
}  // namespace vn340
