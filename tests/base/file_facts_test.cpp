// What the system says of a path, the same on every system.

#include "base/file_facts.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "base/paths.h"
#include "support/temp_folder.h"

namespace vn340 {
namespace {

namespace fs = std::filesystem;

TEST(FileFactsTest, OnlyARegularFileIsAFile) {
    testing::TempFolder temp;
    ASSERT_TRUE(temp.made());
    std::ofstream(temp.at("heli.tsf")) << "settings";
    std::ofstream(temp.at("empty.tsf")).close();
    fs::create_directory(temp.at("models"));
    struct Row {
        const char* name;
        std::string path;
        bool file;
    };
    const Row rows[] = {
        {"a file", temp.at("heli.tsf"), true},
        {"an empty file", temp.at("empty.tsf"), true},
        {"a folder", temp.at("models"), false},
        {"nothing there", temp.at("missing.tsf"), false},
        {"in a folder that is not there", temp.at("missing/heli.tsf"), false},
        {"an empty path", "", false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(isRegularFile(row.path), row.file);
    }
}

TEST(FileFactsTest, AnAbsolutePathLeadsToTheSameFile) {
    testing::TempFolder temp;
    ASSERT_TRUE(temp.made());
    std::ofstream(temp.at("heli.tsf")) << "settings";
    const std::string absolute = absolutePath(temp.path().generic_string() + "/./heli.tsf");
    EXPECT_EQ(fileNameOf(absolute), "heli.tsf");
    EXPECT_TRUE(isRegularFile(absolute));
    EXPECT_EQ(absolutePath(""), "");
}

}  // namespace
}  // namespace vn340
