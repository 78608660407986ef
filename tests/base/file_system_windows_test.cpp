// What the system's file seam does with what only Windows has: names in UTF-16, files held
// open by another program, attributes, and the program's path with its backslashes.

#include <windows.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <string>
#include <vector>

#include "base/paths.h"
#include "base/system_file_system_fixture.h"

namespace vn340 {
namespace {

namespace fs = std::filesystem;
using std::string;
using testing::SystemFileSystemTest;

string utf8(const std::u8string& text) {
    return string(text.begin(), text.end());
}

// Letters outside the ANSI code page and one outside the Basic Multilingual Plane, which takes
// two UTF-16 units: the name must reach the disk as written and come back as it went in.
TEST_F(SystemFileSystemTest, NamesInAnyScriptRoundTripThroughUtf16) {
    const std::u8string name = u8"Größe Ω 直升机 \U0001F681.tsf";
    const string path = utf8(folder_.u8string()) + "/" + utf8(name);
    ASSERT_TRUE(files().replace(path, "[S]\r\nk=1\r\n").ok());
    ASSERT_TRUE(files().replace(path, "[S]\r\nk=2\r\n").ok());

    EXPECT_TRUE(fs::is_regular_file(folder_ / fs::path(name))) << "the name on the disk";
    EXPECT_EQ(bytes(path), "[S]\r\nk=2\r\n");
    std::vector<FolderEntry> found;
    ASSERT_TRUE(files().listFolder(utf8(folder_.u8string()), found).ok());
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].name, utf8(name));
    EXPECT_EQ(files().createNew(path, "other").error, EEXIST);
}

// Another program (an editor, a virus scanner) may hold the file open without sharing it.
TEST_F(SystemFileSystemTest, AFileHeldOpenIsNotReplacedAndKeepsItsBytes) {
    const string path = at("held.tsf");
    put(path, "[S]\r\nk=1\r\n");
    const HANDLE held = ::CreateFileW(fs::path(path).wstring().c_str(), GENERIC_READ, 0, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    const SysResult result = files().replace(path, "[S]\r\nk=2\r\n");
    ::CloseHandle(held);

    EXPECT_EQ(result.error, EACCES);
    EXPECT_EQ(bytes(path), "[S]\r\nk=1\r\n");
    EXPECT_EQ(entries(), std::vector<string>{"held.tsf"}) << "the temporary file is removed";
}

TEST_F(SystemFileSystemTest, AReplacedFileKeepsItsAttributes) {
    const string path = at("hidden.tsf");
    put(path, "[S]\r\nk=1\r\n");
    const std::wstring name = fs::path(path).wstring();
    ASSERT_NE(::SetFileAttributesW(name.c_str(), FILE_ATTRIBUTE_HIDDEN), 0);
    ASSERT_TRUE(files().replace(path, "[S]\r\nk=2\r\n").ok());
    EXPECT_EQ(bytes(path), "[S]\r\nk=2\r\n");
    EXPECT_NE(::GetFileAttributesW(name.c_str()) & FILE_ATTRIBUTE_HIDDEN, 0u);
}

TEST_F(SystemFileSystemTest, TheProgramsPathHasForwardSlashes) {
    const string path = runningProgramPath();
    EXPECT_EQ(path.find('\\'), string::npos) << path;
    EXPECT_EQ(fileNameOf(path), "file_system_windows_test.exe");
    EXPECT_TRUE(fs::is_directory(folderOf(path))) << path;
}

}  // namespace
}  // namespace vn340
