// What the system's file seam does with what only POSIX has: pipes, file-size limits,
// permission bits and symbolic links.

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "base/system_file_system_fixture.h"

namespace vn340 {
namespace {

namespace fs = std::filesystem;
using std::string;
using testing::SystemFileSystemTest;

// Only a regular file is opened: a pipe would make the read wait for a writer.
TEST_F(SystemFileSystemTest, APipeIsNeitherOpenedNorListedAsAFile) {
    ASSERT_EQ(::mkfifo(at("pipe.tsf").c_str(), 0600), 0);
    string read = "stale";
    const SysResult result = files().read(at("pipe.tsf"), read);
    EXPECT_EQ(result.error, EINVAL);
    EXPECT_EQ(result.message, "\"" + at("pipe.tsf") + "\" is not a regular file.");
    EXPECT_EQ(read, "");

    std::vector<FolderEntry> found;
    ASSERT_TRUE(files().listFolder(folder_.string(), found).ok());
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].kind, FolderEntry::Kind::Other);
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

}  // namespace
}  // namespace vn340
