#include "base/file_system.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "support/temp_folder.h"

namespace vn340 {
namespace {

namespace fs = std::filesystem;
using std::string;

class SystemFileSystemTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(temp_.made());
        folder_ = temp_.path();
    }

    string at(const string& name) const { return (folder_ / name).string(); }

    static void put(const string& path, const string& bytes) {
        std::ofstream(path, std::ios::binary) << bytes;
    }
    static string bytes(const string& path) {
        string read;
        EXPECT_TRUE(files().read(path, read).ok()) << path;
        return read;
    }
    static FileSystem& files() { return systemFileSystem(); }

    std::vector<string> entries() const {
        std::vector<string> names;
        for (const auto& entry : fs::directory_iterator(folder_)) {
            names.push_back(entry.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        return names;
    }

    testing::TempFolder temp_;
    fs::path folder_;
};

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
    ASSERT_EQ(::mkfifo(at("pipe.tsf").c_str(), 0600), 0);
    struct Row {
        string name;
        int error;
        string message;
    };
    const Row rows[] = {
        {"missing.tsf", 0, ""},
        {"folder.tsf", EISDIR, "\"" + at("folder.tsf") + "\" is a folder, not a file."},
        {"pipe.tsf", EINVAL, "\"" + at("pipe.tsf") + "\" is not a regular file."},
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

// A file-size limit makes the write of the temporary file fail half-way, as a full disk would.
TEST_F(SystemFileSystemTest, FailedReplaceLeavesTheOldFileByteForByte) {
    const string path = at("old.ini");
    const string old = "; hand edited\n[S]\r\nk = 'one'\rz=2";
    put(path, old);
    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 64;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const SysResult result = files().replace(path, string(200, 'x'));
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);

    EXPECT_EQ(result.error, EFBIG);
    EXPECT_EQ(bytes(path), old);
    EXPECT_EQ(entries(), std::vector<string>{"old.ini"}) << "the temporary file is removed";
}

TEST_F(SystemFileSystemTest, KeepsPermissionsAndFollowsSymbolicLinks) {
    const string real = at("real.ini");
    put(real, "[S]\r\nk=1\r\n");
    ::chmod(real.c_str(), 0640);
    fs::create_symlink(real, at("link.ini"));
    ASSERT_TRUE(files().replace(at("link.ini"), "[S]\r\nk=2\r\n").ok());
    EXPECT_TRUE(fs::is_symlink(at("link.ini")));
    EXPECT_EQ(bytes(real), "[S]\r\nk=2\r\n");
    struct stat info {};
    ASSERT_EQ(::stat(real.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
}

TEST_F(SystemFileSystemTest, AReadOnlyFileIsNotReplaced) {
    const string path = at("locked.tsf");
    put(path, "[S]\r\nk=1\r\n");
    ::chmod(path.c_str(), 0444);
    const SysResult result = files().replace(path, "[S]\r\nk=2\r\n");
    EXPECT_EQ(result.error, EACCES);
    EXPECT_EQ(bytes(path), "[S]\r\nk=1\r\n");
    EXPECT_EQ(entries(), std::vector<string>{"locked.tsf"});
    ::chmod(path.c_str(), 0644);
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
    ASSERT_EQ(::mkfifo(at("pipe").c_str(), 0600), 0);
    std::vector<FolderEntry> found;
    ASSERT_TRUE(files().listFolder(folder_.string(), found).ok());
    std::sort(found.begin(), found.end(),
              [](const FolderEntry& a, const FolderEntry& b) { return a.name < b.name; });
    using K = FolderEntry::Kind;
    ASSERT_EQ(found.size(), 3u);
    EXPECT_EQ(found[0].name + (found[0].kind == K::File ? " file" : ""), "a.tsf file");
    EXPECT_EQ(found[1].name + (found[1].kind == K::Folder ? " folder" : ""), "gyro folder");
    EXPECT_EQ(found[2].name + (found[2].kind == K::Other ? " other" : ""), "pipe other");

    EXPECT_TRUE(files().listFolder(at("missing"), found).ok());
    EXPECT_TRUE(found.empty());
    EXPECT_EQ(files().listFolder(at("a.tsf"), found).error, ENOTDIR);
}

TEST_F(SystemFileSystemTest, NoFileNameIsNoFile) {
    const SysResult result = files().replace("", "x");
    EXPECT_EQ(result.error, ENOENT);
    EXPECT_EQ(result.message, "No file name is set for the settings to be written to.");
}

}  // namespace
}  // namespace vn340
