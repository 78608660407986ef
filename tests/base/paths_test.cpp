#include "base/paths.h"

#include <gtest/gtest.h>

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

}  // namespace
}  // namespace vn340
