#include "base/paths.h"

#include <gtest/gtest.h>

#include <string>

namespace vn340 {
namespace {

// "LAST DIRECTORY" keeps the root folder as "/"; the program's folder is the executable path
// with everything from its last "/" cut away, as the preferences file has always held it.
TEST(PathsTest, FolderOfAPathUnderBothRootRules) {
    struct Row {
        const char* path;
        const char* keepingRoot;
        const char* cuttingAtLastSlash;
    };
    const Row rows[] = {
        {"/home/pilot/models/heli.tsf", "/home/pilot/models", "/home/pilot/models"},
        {"/heli.tsf", "/", ""},
        {"heli.tsf", "", ""},
        {"models/heli.tsf", "models", "models"},
        {"/opt/tarvel/bin/", "/opt/tarvel/bin", "/opt/tarvel/bin"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.path);
        EXPECT_EQ(folderOf(row.path), row.keepingRoot);
        EXPECT_EQ(folderOf(row.path, RootFolder::Empty), row.cuttingAtLastSlash);
    }
}

TEST(PathsTest, CleanPathTakesOutStepsThatGoNowhere) {
    struct Row {
        const char* path;
        const char* clean;
    };
    const Row rows[] = {
        {"", ""},
        {"/", "/"},
        {"//", "/"},
        {".", "."},
        {"a/..", "."},
        {"./a//b/./c/", "a/b/c"},
        {"/a/b/..", "/a"},
        {"/a/b/../..", "/"},
        {"a/../..", ".."},
        {"../x", "../x"},
        {"/..", "/.."},
        {"/../a", "/../a"},
        {"../../a/..", "../.."},
        {"...", "..."},
        {"a/.../b/.", "a/.../b"},
        {"//home//pilot/", "/home/pilot"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.path);
        EXPECT_EQ(cleanPath(row.path), row.clean);
    }
}

// A settings file named on the command line, from the folder the program was started in.
TEST(PathsTest, AbsolutePathFromTheCurrentFolder) {
    struct Row {
        const char* current;
        const char* path;
        const char* absolute;
    };
    const Row rows[] = {
        {"/home/pilot", "", ""},
        {"/home/pilot", ".", "/home/pilot"},
        {"/home/pilot", "..", "/home"},
        {"/home/pilot", "heli.tsf", "/home/pilot/heli.tsf"},
        {"/home/pilot", "./models//heli.tsf", "/home/pilot/models/heli.tsf"},
        {"/home/pilot", "../../../heli.tsf", "/../heli.tsf"},
        {"/home/pilot", "models/", "/home/pilot/models/"},
        {"/home/pilot", "/tmp/../opt/heli.tsf", "/opt/heli.tsf"},
        {"/home/pilot", "/", "/"},
        {"/home/pilot", "//", "//"},
        {"/home/pilot/", "heli.tsf", "/home/pilot/heli.tsf"},
        {"/", "heli.tsf", "/heli.tsf"},
        {"/", "..", "/.."},
        {"", "models/./heli.tsf", "models/heli.tsf"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.current) + " + " + row.path);
        EXPECT_EQ(absolutePathFrom(row.current, row.path), row.absolute);
    }
}

}  // namespace
}  // namespace vn340
