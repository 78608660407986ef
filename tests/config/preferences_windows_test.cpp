// Where the preferences and the history go on Windows: beside the program while its folder can
// be written, else in the roaming application data folder, named by APPDATA as UTF-16.

#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>

#include "base/memory_file_system.h"
#include "config/history_store.h"
#include "config/preferences.h"

namespace vn340 {
namespace {

namespace fs = std::filesystem;
using std::string;

string utf8(const std::u8string& text) {
    return string(text.begin(), text.end());
}

// Sets an environment variable (or removes it) for one test, and puts back what was there.
class ScopedVariable {
  public:
    ScopedVariable(const wchar_t* name, const wchar_t* value) : name_(name) {
        wchar_t old[32768];
        const DWORD length = ::GetEnvironmentVariableW(name, old, 32768);
        if (length > 0 && length < 32768) {
            old_ = std::wstring(old, length);
        }
        ::SetEnvironmentVariableW(name, value);
    }
    ~ScopedVariable() { ::SetEnvironmentVariableW(name_, old_ ? old_->c_str() : nullptr); }

  private:
    const wchar_t* name_;
    std::optional<std::wstring> old_;
};

// An installed program's folder: Program Files is not the person's to write in.
class ReadOnlyProgramFolder : public MemoryFileSystem {
  public:
    bool folderIsWritable(const string& folder) override { return folder != kProgram; }
    static constexpr const char* kProgram = "C:/Program Files/vn340";
};

// A user name outside the ANSI code page, and one outside the Basic Multilingual Plane.
TEST(WindowsUserFolders, AppDataIsTakenAsUtf16WithForwardSlashes) {
    const ScopedVariable appData(L"APPDATA",
                                 L"C:\\users\\J\u00f6rg \u76f4\U0001F681\\AppData\\Roaming\\");
    const string roaming = utf8(u8"C:/users/Jörg 直\U0001F681/AppData/Roaming");
    EXPECT_EQ(configHome(), roaming);
    EXPECT_EQ(dataHome(), roaming);
    EXPECT_EQ(historyFolder(), roaming + "/tarvelrc/history");

    ReadOnlyProgramFolder files;
    EXPECT_EQ(preferencesPath(ReadOnlyProgramFolder::kProgram, configHome(), files),
              roaming + "/tarvelrc/TarvelRCGyro.ini");
    EXPECT_EQ(files.folders.count(roaming + "/tarvelrc"), 1u) << "the folder is made";
    EXPECT_EQ(preferencesPath("C:/Models/vn340", configHome(), files),
              "C:/Models/vn340/TarvelRCGyro.ini")
        << "beside a program whose folder can be written";
}

// A variable that is missing, relative or a bare drive letter is no folder to keep things in:
// the system's own roaming folder is.
TEST(WindowsUserFolders, AnUnusableAppDataFallsBackToTheKnownFolder) {
    string known;
    {
        const ScopedVariable unset(L"APPDATA", nullptr);
        known = configHome();
    }
    ASSERT_FALSE(known.empty());
    EXPECT_TRUE(fs::is_directory(fs::path(std::u8string(known.begin(), known.end())))) << known;
    EXPECT_EQ(known.find('\\'), string::npos) << known;
    EXPECT_NE(known.back(), '/') << known;
    for (const wchar_t* value : {L"AppData\\Roaming", L"C:", L""}) {
        const ScopedVariable unusable(L"APPDATA", value);
        EXPECT_EQ(configHome(), known);
    }
    // The shortest absolute one, a drive's root, is kept as it is.
    const ScopedVariable root(L"APPDATA", L"D:\\");
    EXPECT_EQ(configHome(), "D:/");
}

TEST(WindowsUserFolders, HomeIsTheProfileFolder) {
    const ScopedVariable profile(L"USERPROFILE", L"\\\\server\\profiles\\pilot");
    EXPECT_EQ(homeFolder(), "//server/profiles/pilot");
}

}  // namespace
}  // namespace vn340
