// What POSIX says of who may reach a folder, and of who is at a local connection's other end.

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <tuple>

#include "base/local_peer.h"
#include "base/private_folder.h"
#include "support/temp_folder.h"

namespace vn340 {
namespace {

namespace fs = std::filesystem;

// Real folder, owned by the user, others may write, others may enter.
using Access = std::tuple<bool, bool, bool, bool>;

Access of(const FolderAccess& a) {
    return {a.realFolder, a.ownedByUser, a.othersMayWrite, a.othersMayEnter};
}

TEST(FolderAccessPosix, TellsLinksOwnersAndWhoElseMayReachIn) {
    testing::TempFolder temp;
    ASSERT_TRUE(temp.made());
    const struct {
        const char* name;
        mode_t mode;
        Access expected;
    } folders[] = {
        {"0700", 0700, {true, true, false, false}}, {"0710", 0710, {true, true, false, true}},
        {"0701", 0701, {true, true, false, true}},  {"0755", 0755, {true, true, false, true}},
        {"0720", 0720, {true, true, true, true}},   {"0702", 0702, {true, true, true, true}},
    };
    for (const auto& row : folders) {
        SCOPED_TRACE(row.name);
        ASSERT_EQ(::mkdir(temp.at(row.name).c_str(), 0700), 0);
        ASSERT_EQ(::chmod(temp.at(row.name).c_str(), row.mode), 0);
        const std::optional<FolderAccess> access = systemFolderAccess().access(temp.at(row.name));
        ASSERT_TRUE(access);
        EXPECT_EQ(of(*access), row.expected);
    }

    fs::create_directory_symlink(temp.at("0700"), temp.at("link"));
    EXPECT_FALSE(systemFolderAccess().access(temp.at("link"))->realFolder);
    EXPECT_FALSE(systemFolderAccess().access(temp.at("missing")));
    // Only the superuser can give a folder away.
    if (::geteuid() == 0) {
        ASSERT_EQ(::chown(temp.at("0700").c_str(), 65534, 65534), 0);
        EXPECT_FALSE(systemFolderAccess().access(temp.at("0700"))->ownedByUser);
    }
}

// Made with its mode at once: whatever the umask lets through, nobody else ever reaches in.
TEST(FolderAccessPosix, MakesAFolderForThePersonAlone) {
    testing::TempFolder temp;
    ASSERT_TRUE(temp.made());
    const mode_t saved = ::umask(0);
    const SysResult made = systemFolderAccess().createPrivate(temp.at("own"));
    ::umask(saved);
    ASSERT_TRUE(made.ok()) << made.message;
    struct stat facts {};
    ASSERT_EQ(::lstat(temp.at("own").c_str(), &facts), 0);
    EXPECT_EQ(facts.st_mode & 07777, 0700u);
    EXPECT_TRUE(systemFolderAccess().createPrivate(temp.at("own")).ok()) << "already there";
    EXPECT_FALSE(systemFolderAccess().createPrivate(temp.at("missing/own")).ok());
}

TEST(LocalPeerPosix, KnowsItsOwnUserAndNothingElse) {
    int pair[2];
    ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM, 0, pair), 0);
    EXPECT_TRUE(localPeerIsSameUser(pair[0]));
    int pipe[2];
    ASSERT_EQ(::pipe(pipe), 0);
    // No socket, so no credentials: the system cannot tell.
    EXPECT_FALSE(localPeerIsSameUser(pipe[0]));
    EXPECT_FALSE(localPeerIsSameUser(-1));
    for (int descriptor : {pair[0], pair[1], pipe[0], pipe[1]}) {
        ::close(descriptor);
    }
}

}  // namespace
}  // namespace vn340
