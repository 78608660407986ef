// What POSIX says of a path: links, what is no regular file, and the current folder.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "base/file_facts.h"
#include "support/temp_folder.h"

namespace vn340 {
namespace {

namespace fs = std::filesystem;

TEST(FileFactsPosix, LinksAreFollowedAndOnlyARegularFileCounts) {
    testing::TempFolder temp;
    ASSERT_TRUE(temp.made());
    std::ofstream(temp.at("heli.tsf")) << "settings";
    fs::create_directory(temp.at("models"));
    fs::create_symlink(temp.at("heli.tsf"), temp.at("to-file"));
    fs::create_symlink(temp.at("to-file"), temp.at("to-link"));
    fs::create_directory_symlink(temp.at("models"), temp.at("to-folder"));
    fs::create_symlink(temp.at("missing.tsf"), temp.at("dangling"));
    ASSERT_EQ(::mkfifo(temp.at("pipe").c_str(), 0600), 0);
    struct Row {
        const char* name;
        std::string path;
        bool file;
    };
    const Row rows[] = {
        {"a link to a file", temp.at("to-file"), true},
        {"a link to a link to a file", temp.at("to-link"), true},
        {"a link to a folder", temp.at("to-folder"), false},
        {"a link to nothing", temp.at("dangling"), false},
        {"a named pipe", temp.at("pipe"), false},
        {"a device", "/dev/null", false},
        {"a file taken for a folder", temp.at("heli.tsf") + "/", false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(isRegularFile(row.path), row.file);
    }
}

// Taken from the folder the program runs in, which the test moves to and back from.
TEST(FileFactsPosix, ARelativePathStartsAtTheCurrentFolder) {
    testing::TempFolder temp;
    ASSERT_TRUE(temp.made());
    const fs::path before = fs::current_path();
    fs::create_directory(temp.at("models"));
    const std::string folder = fs::canonical(temp.path()).string();
    fs::current_path(folder + "/models");
    const std::string relative = absolutePath("../heli.tsf");
    const std::string here = absolutePath(".");
    const std::string fromRoot = absolutePath("/opt/./heli.tsf");
    fs::current_path(before);
    EXPECT_EQ(relative, folder + "/heli.tsf");
    EXPECT_EQ(here, folder + "/models");
    EXPECT_EQ(fromRoot, "/opt/heli.tsf");
}

}  // namespace
}  // namespace vn340
