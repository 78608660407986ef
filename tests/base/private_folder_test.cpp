// Where the program may put what only its own person may reach, told from what the system
// says of each folder.

#include "base/private_folder.h"

#include <gtest/gtest.h>

#include <map>

namespace vn340 {
namespace {

constexpr FolderAccess kTheirsAlone{true, true, false, false};

// Folders as a test lays them out; a folder made by the program is the person's alone.
class LaidOutFolders : public FolderAccessSystem {
  public:
    std::optional<FolderAccess> access(const std::string& folder) override {
        const auto found = folders.find(folder);
        return found == folders.end() ? std::nullopt : std::optional(found->second);
    }
    SysResult createPrivate(const std::string& folder) override {
        if (canMake) {
            folders.emplace(folder, kTheirsAlone);
        }
        return canMake ? SysResult::success()
                       : SysResult::failure(EACCES, "\"" + folder + "\" could not be made.");
    }

    std::map<std::string, FolderAccess> folders;
    bool canMake = true;
};

TEST(PrivateFolder, TakesOnlyAFolderNobodyElseCanReach) {
    const char* const runtime = "/run/user/1000";
    const std::string own = "/tmp/vn340-config-1000";
    const std::optional<FolderAccess> none;
    const FolderAccess othersEnter{true, true, false, true};
    const FolderAccess othersWrite{true, true, true, true};
    const FolderAccess anotherUsers{true, false, false, false};
    const FolderAccess aLink{false, true, false, false};
    const struct {
        const char* name;
        const char* runtimeVariable;
        std::optional<FolderAccess> runtimeFolder;
        std::optional<FolderAccess> ownFolder;  // as found before the program makes it
        bool canMake;
        std::string expected;  // the folder, or "" for none
    } rows[] = {
        {"runtime folder theirs alone", runtime, kTheirsAlone, none, true, runtime},
        {"runtime folder others may look in", runtime, othersEnter, none, true, runtime},
        {"runtime folder others may write in", runtime, othersWrite, none, true, own},
        {"runtime folder another user's", runtime, anotherUsers, none, true, own},
        {"runtime folder a link", runtime, aLink, none, true, own},
        {"runtime folder missing", runtime, none, none, true, own},
        // A relative name would be looked up from wherever the program was started.
        {"runtime folder relative", "run/user/1000", kTheirsAlone, none, true, own},
        {"no runtime folder, own folder made", "", none, none, true, own},
        {"own folder others may look in", "", none, othersEnter, true, ""},
        {"own folder another user's", "", none, anotherUsers, true, ""},
        {"own folder a link", "", none, aLink, true, ""},
        {"own folder cannot be made", "", none, none, false, ""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        LaidOutFolders system;
        system.canMake = row.canMake;
        if (row.runtimeFolder) {
            system.folders[row.runtimeVariable] = *row.runtimeFolder;
        }
        if (row.ownFolder) {
            system.folders[own] = *row.ownFolder;
        }
        std::string folder = "stale";
        const SysResult result =
            privateFolder({row.runtimeVariable, "/tmp", "1000"}, "vn340-config", system, folder);
        EXPECT_EQ(folder, row.expected);
        EXPECT_EQ(result.ok(), !row.expected.empty()) << result.message;
        // A failure names the folder it could not take.
        EXPECT_TRUE(result.ok() || result.message.find('"' + own + '"') != std::string::npos)
            << result.message;
    }
}

}  // namespace
}  // namespace vn340
