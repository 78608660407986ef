#pragma once

// A folder of the test's own under the system's temporary folder, removed with everything in
// it when the test is done. The path is empty when no folder could be made.

#include <filesystem>
#include <random>
#include <string>
#include <string_view>
#include <system_error>

namespace vn340::testing {

class TempFolder {
  public:
    // A name nobody holds, made with the folder itself (as mkdtemp does, which not every
    // system has): create_directory tells a fresh folder from one that was there.
    TempFolder() {
        std::error_code ec;
        const std::filesystem::path temp = std::filesystem::temp_directory_path(ec);
        std::random_device seed;
        std::mt19937 random(seed());
        for (int attempt = 0; !ec && attempt < 100 && path_.empty(); ++attempt) {
            const std::filesystem::path candidate = temp / ("vn340-" + std::to_string(random()));
            if (std::filesystem::create_directory(candidate, ec)) {
                path_ = candidate;
            }
        }
    }
    ~TempFolder() {
        std::error_code ignored;
        if (!path_.empty()) {
            std::filesystem::remove_all(path_, ignored);
        }
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
