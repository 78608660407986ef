// What the system's file seam does on every system.

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "base/system_file_system_fixture.h"

namespace vn340 {
namespace {

namespace fs = std::filesystem;
using std::string;
using testing::SystemFileSystemTest;

TEST_F(SystemFileSystemTest, ReplacesAndReadsBackLeavingNoTemporaryFile) {
    const string path = at("new.ini");
    ASSERT_TRUE(files().replace(path, "[S]\r\nk=1\r\n").ok());
    ASSERT_TRUE(files().replace(path, "[S]\r\nk=2\r\n").ok());
    EXPECT_EQ(bytes(path), "[S]\r\nk=2\r\n");
    EXPECT_EQ(entries(), std::vector<string>{"new.ini"});
}

// Only a regular file is opened: a pipe would make the read wait for a writer.
TEST_F(SystemFileSystemTest, ReadsOnlyRegularFiles) {
    fs::create_directory(at("folder.tsf"));
    struct Row {
        string name;
        int error;
        string message;
    };
    const Row rows[] = {
        {"missing.tsf", 0, ""},
        {"folder.tsf", EISDIR, "\"" + at("folder.tsf") + "\" is a folder, not a file."},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        string read = "stale";
        const SysResult result = files().read(at(row.name), read);
        EXPECT_EQ(result.error, row.error);
        EXPECT_EQ(result.message, row.message);
        EXPECT_EQ(read, "");
    }
}

TEST_F(SystemFileSystemTest, ReplaceFailsWithTheReasonAndKeepsWhatWasThere) {
    put(at("plain"), "x");
    fs::create_directory(at("taken.ini"));
    put(at("taken.ini") + "/inside", "keep");
    struct Row {
        string path;
        int error;
    };
    const Row rows[] = {
        {at("plain") + "/p.ini", ENOTDIR},
        {at("taken.ini"), EISDIR},
        {at("missing") + "/p.ini", ENOENT},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.path);
        const SysResult result = files().replace(row.path, "[S]\r\nk=v\r\n");
        EXPECT_EQ(result.error, row.error);
        EXPECT_EQ(result.message, "Cannot write \"" + row.path + "\": " + std::strerror(row.error));
    }
    EXPECT_EQ(bytes(at("plain")), "x");
    EXPECT_EQ(bytes(at("taken.ini") + "/inside"), "keep");
    EXPECT_EQ(entries(), (std::vector<string>{"plain", "taken.ini"}));
}

TEST_F(SystemFileSystemTest, AReadOnlyFileIsNotReplaced) {
    const string path = at("locked.tsf");
    put(path, "[S]\r\nk=1\r\n");
    // The read-only attribute on Windows, no write bit on POSIX.
    fs::permissions(path, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                    fs::perm_options::remove);
    const SysResult result = files().replace(path, "[S]\r\nk=2\r\n");
    EXPECT_EQ(result.error, EACCES);
    EXPECT_EQ(bytes(path), "[S]\r\nk=1\r\n");
    EXPECT_EQ(entries(), std::vector<string>{"locked.tsf"});
    fs::permissions(path, fs::perms::owner_write, fs::perm_options::add);
    EXPECT_TRUE(files().replace(path, "[S]\r\nk=2\r\n").ok());
}

// A new file never takes another's place: a taken name fails and keeps its bytes.
TEST_F(SystemFileSystemTest, CreatesOnlyNewFilesAndLeavesNoTemporaryFile) {
    put(at("taken.tsf"), "old");
    put(at("plain"), "x");
    struct Row {
        string path;
        int error;
    };
    const Row rows[] = {
        {at("new.tsf"), 0},
        {at("taken.tsf"), EEXIST},
        {at("plain") + "/new.tsf", ENOTDIR},
        {at("missing") + "/new.tsf", ENOENT},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.path);
        EXPECT_EQ(files().createNew(row.path, "fresh").error, row.error);
    }
    EXPECT_EQ(bytes(at("new.tsf")), "fresh");
    EXPECT_EQ(bytes(at("taken.tsf")), "old");
    EXPECT_EQ(entries(), (std::vector<string>{"new.tsf", "plain", "taken.tsf"}));
}

TEST_F(SystemFileSystemTest, ListsWhatAFolderHoldsByKind) {
    put(at("a.tsf"), "");
    fs::create_directory(at("gyro"));
    std::vector<FolderEntry> found;
    ASSERT_TRUE(files().listFolder(folder_.string(), found).ok());
    std::sort(found.begin(), found.end(),
              [](const FolderEntry& a, const FolderEntry& b) { return a.name < b.name; });
    using K = FolderEntry::Kind;
    ASSERT_EQ(found.size(), 2u);
    EXPECT_EQ(found[0].name + (found[0].kind == K::File ? " file" : ""), "a.tsf file");
    EXPECT_EQ(found[1].name + (found[1].kind == K::Folder ? " folder" : ""), "gyro folder");

    EXPECT_TRUE(files().listFolder(at("missing"), found).ok());
    EXPECT_TRUE(found.empty());
    EXPECT_EQ(files().listFolder(at("a.tsf"), found).error, ENOTDIR);
}

// What a full disk left of a piece is cut back out, and the next piece follows the cut.
TEST_F(SystemFileSystemTest, AGrowingFileIsCutBackToWholePieces) {
    const string path = at("flight.csv");
    put(path, "old");
    std::unique_ptr<GrowingFile> file;
    ASSERT_TRUE(files().createGrowing(path, true, file).ok());
    ASSERT_TRUE(file->append("time_s\n").ok());
    ASSERT_TRUE(file->append("0.090\n0.1").ok());
    ASSERT_TRUE(file->cutTo(13).ok());
    EXPECT_EQ(bytes(path), "time_s\n0.090\n");
    ASSERT_TRUE(file->append("0.180\n").ok());
    EXPECT_EQ(bytes(path), "time_s\n0.090\n0.180\n");
}

// A folder is never taken for the recording's file, whether or not replacing was agreed.
TEST_F(SystemFileSystemTest, AGrowingFileIsNeverAFolder) {
    fs::create_directory(at("folder.csv"));
    for (const bool replaceExisting : {false, true}) {
        SCOPED_TRACE(replaceExisting ? "replacing" : "new");
        std::unique_ptr<GrowingFile> file;
        const SysResult result = files().createGrowing(at("folder.csv"), replaceExisting, file);
        EXPECT_EQ(result.error, EISDIR);
        EXPECT_EQ(result.message, "\"" + at("folder.csv") + "\" is a folder, not a file.");
        EXPECT_EQ(file, nullptr);
    }
}

TEST_F(SystemFileSystemTest, NoFileNameIsNoFile) {
    const SysResult result = files().replace("", "x");
    EXPECT_EQ(result.error, ENOENT);
    EXPECT_EQ(result.message, "No file name is set for the settings to be written to.");
}

}  // namespace
}  // namespace vn340
