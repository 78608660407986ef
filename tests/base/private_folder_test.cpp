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
        if (!canMake) {
            return SysResult::failure(EACCES, "\"" + folder + "\" could not be made.");
        }
        folders.emplace(folder, kTheirsAlone);
        return SysResult::success();
    }

    std::map<std::string, FolderAccess> folders;
    bool canMake = true;
};

TEST(PrivateFolder, TakesOnlyAFolderNobodyElseCanReach) {
    const std::string runtime = "/run/user/1000";
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
        {"the runtime folder, theirs alone", "/run/user/1000", kTheirsAlone, none, true, runtime},
        {"the runtime folder, others may look in", "/run/user/1000", othersEnter, none, true,
         runtime},
        {"the runtime folder, others may write in", "/run/user/1000", othersWrite, none, true, own},
        {"the runtime folder, another user's", "/run/user/1000", anotherUsers, none, true, own},
        {"the runtime folder, a link", "/run/user/1000", aLink, none, true, own},
        {"the runtime folder, missing", "/run/user/1000", none, none, true, own},
        {"the runtime folder, relative", "run/user/1000", kTheirsAlone, none, true, own},
        {"no runtime folder, own folder made", "", none, none, true, own},
        {"own folder there, theirs alone", "", none, kTheirsAlone, true, own},
        {"own folder there, others may look in", "", none, othersEnter, true, ""},
        {"own folder there, another user's", "", none, anotherUsers, true, ""},
        {"own folder there, a link", "", none, aLink, true, ""},
        {"own folder cannot be made", "", none, none, false, ""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        LaidOutFolders system;
        system.canMake = row.canMake;
        // A relative name would be looked up from wherever the program was started.
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
        if (!result.ok()) {
            EXPECT_NE(result.message.find("\"" + own + "\""), std::string::npos) << result.message;
        }
    }
}

}  // namespace
}  // namespace vn340
