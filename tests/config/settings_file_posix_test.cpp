// The settings file on what only a POSIX system has.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "config/settings_file.h"
#include "support/scripted_pilot.h"
#include "support/temp_folder.h"

namespace vn340 {
namespace {

// The real file system: a pipe named like a settings file must neither make a save or load
// wait for a writer nor be replaced.
TEST(SettingsFileOnDisk, APipeIsRefusedWithoutWaitingForAWriter) {
    namespace fs = std::filesystem;
    const testing::TempFolder temp;
    ASSERT_TRUE(temp.made());
    const std::string folder = temp.path().string();
    const std::string path = temp.at("pipe.tsf");
    ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
    ProfileStore prefs;
    ProfileStore store;
    testing::ScriptedPilot host;
    GyroConfig config;
    loadDefaults(config);
    host.savePath = path;
    saveSettingsFile(config, prefs, store, host, host, folder);
    host.loadPath = path;
    loadSettingsFile(config, prefs, store, host, host, folder);
    EXPECT_EQ(host.events,
              (std::vector<std::string>{
                  "message:" + saveFailedMessage("\"" + path + "\" is not a regular file."),
                  "message:" + std::string(kProductRefusal)}));
    EXPECT_TRUE(fs::is_fifo(path));
}

}  // namespace
}  // namespace vn340
