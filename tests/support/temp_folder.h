#pragma once

// A folder of the test's own under the system's temporary folder, removed with everything in
// it when the test is done. The path is empty when no folder could be made.

#include <stdlib.h>

#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>

namespace vn340::testing {

class TempFolder {
  public:
    TempFolder() {
        std::string pattern = (std::filesystem::temp_directory_path() / "vn340-XXXXXX").string();
        if (::mkdtemp(pattern.data()) != nullptr)
            path_ = pattern;
    }
    ~TempFolder() {
        std::error_code ignored;
        if (!path_.empty())
            std::filesystem::remove_all(path_, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    bool made() const { return !path_.empty(); }
    const std::filesystem::path& path() const { return path_; }
    // The path of `name` in the folder.
    std::string at(std::string_view name) const { return (path_ / name).string(); }

  private:
    std::filesystem::path path_;
};

}  // namespace vn340::testing
