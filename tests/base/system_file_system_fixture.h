#pragma once

// The running system's file seam on a folder of the test's own, with the few helpers every
// contract test needs to set up and look at the folder behind the seam's back.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "base/file_system.h"
#include "support/temp_folder.h"

namespace vn340::testing {

class SystemFileSystemTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(temp_.made());
        folder_ = temp_.path();
    }

    std::string at(const std::string& name) const { return (folder_ / name).string(); }

    static void put(const std::string& path, const std::string& bytes) {
        std::ofstream(path, std::ios::binary) << bytes;
    }
    static std::string bytes(const std::string& path) {
        std::string read;
        EXPECT_TRUE(files().read(path, read).ok()) << path;
        return read;
    }
    static FileSystem& files() { return systemFileSystem(); }

    std::vector<std::string> entries() const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(folder_)) {
            names.push_back(entry.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        return names;
    }

    TempFolder temp_;
    std::filesystem::path folder_;
};

}  // namespace vn340::testing
