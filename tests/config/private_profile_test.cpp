#include "config/private_profile.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace vn340 {
namespace {

namespace fs = std::filesystem;
using std::nullopt;
using std::optional;
using std::string;

struct ReadRow {
    const char* what;
    string content;
    string section;
    string key;
    optional<string> expected;
};

TEST(PrivateProfileRead, FollowsTheWindowsRules) {
    const ReadRow rows[] = {
        {"CRLF", "[S]\r\nk=v\r\n", "S", "k", "v"},
        {"LF", "[S]\nk=v\n", "S", "k", "v"},
        {"CR", "[S]\rk=v\r", "S", "k", "v"},
        {"mixed breaks, no final break", "[A]\r\nx=1\n[S]\rk=v", "S", "k", "v"},
        {"comment line", "[S]\r\n;k=v\r\nk=w\r\n", "S", "k", "w"},
        {"comment after blanks", "[S]\r\n \t;k=v\r\n", "S", "k", nullopt},
        {"no comment after a value", "[S]\r\nk=;x\r\n", "S", "k", ";x"},
        {"# is no comment", "[S]\r\n#k=v\r\n", "S", "#k", "v"},
        {"blanks inside brackets", "[ \tS  ]\r\nk=v\r\n", "S", "k", "v"},
        {"text after ] ignored", "[S] old one\r\nk=v\r\n", "S", "k", "v"},
        {"indented header", "  [S]\r\nk=v\r\n", "S", "k", "v"},
        {"inner blanks kept in name", "[Mode 1 (Rate Mode)]\r\nk=v\r\n", "Mode 1 (Rate Mode)", "k",
         "v"},
        {"line without = is no key", "[S]\r\nk\r\n", "S", "k", nullopt},
        {"blanks around key and value", "[S]\r\n \t k \t = \t v w \t\r\n", "S", "k", "v w"},
        {"outer quotes after trimming", "[S]\r\nk=  \"  v  \"  \r\n", "S", "k", "  v  "},
        {"single quotes", "[S]\r\nk='v'\r\n", "S", "k", "v"},
        {"quotes that do not match", "[S]\r\nk=\"v'\r\n", "S", "k", "\"v'"},
        {"only one pair removed", "[S]\r\nk=\"\"v\"\"\r\n", "S", "k", "\"v\""},
        {"lone quote", "[S]\r\nk=\"\r\n", "S", "k", "\""},
        {"quote at one end only", "[S]\r\nk=\"v\r\n", "S", "k", "\"v"},
        {"names ignore case", "[sEcTiOn]\r\nKeY=v\r\n", "SECTION", "key", "v"},
        {"only the first section of a name", "[S]\r\na=1\r\n[T]\r\n[s]\r\nk=2\r\n", "S", "k",
         nullopt},
        {"first key of a name wins", "[S]\r\nk=1\r\nK=2\r\n", "S", "k", "1"},
        {"keys before the first section", "k=v\r\n[S]\r\n", "S", "k", nullopt},
        {"empty value", "[S]\r\nk=\r\n", "S", "k", ""},
        {"value holding =", "[S]\r\nk=a=b\r\n", "S", "k", "a=b"},
        {"missing section", "[T]\r\nk=v\r\n", "S", "k", nullopt},
        {"empty file", "", "S", "k", nullopt},
        {"key in the next section", "[S]\r\n[T]\r\nk=v\r\n", "S", "k", nullopt},
        {"blanks around the arguments", "[S]\r\nk=v\r\n", " S\t", "\tk ", "v"},
        {"empty key argument", "[S]\r\n=v\r\n", "S", "", nullopt},
        {"UTF-8 byte-order mark", "\xEF\xBB\xBF[S]\r\nk=v\r\n", "S", "k", "v"},
    };
    for (const ReadRow& row : rows) {
        EXPECT_EQ(profile::findValue(row.content, row.section, row.key), row.expected) << row.what;
    }
}

TEST(PrivateProfileRead, ListsSectionNamesInFileOrder) {
    const string content = "k=0\r\n[A]\r\n[ B ]x\r\nk=v\r\n;[C]\r\n[]\r\n[D\r\n[A]\n[E]";
    EXPECT_EQ(profile::sectionNamesIn(content), (std::vector<string>{"A", "B", "A", "E"}));
    EXPECT_EQ(profile::sectionNamesIn("\xEF\xBB\xBF[Gyro]\r\n[Servo]"),
              (std::vector<string>{"Gyro", "Servo"}));
}

struct WriteRow {
    const char* what;
    string content;
    string section;
    string key;
    optional<string> value;  // nullopt deletes
    optional<string> expected;
};

TEST(PrivateProfileWrite, ChangesOnlyTheLineConcerned) {
    const WriteRow rows[] = {
        {"new file", "", "S", "k", "v", "[S]\r\nk=v\r\n"},
        {"new section at the end", "[A]\r\nx=1\r\n", "S", "k", "v", "[A]\r\nx=1\r\n[S]\r\nk=v\r\n"},
        {"no final break", "[A]\r\nx=1", "S", "k", "v", "[A]\r\nx=1\r\n[S]\r\nk=v\r\n"},
        {"new key after the section's last line", "[S]\r\na=1\r\n\r\n[T]\r\nb=2\r\n", "S", "k", "v",
         "[S]\r\na=1\r\nk=v\r\n\r\n[T]\r\nb=2\r\n"},
        {"new key in an LF file", "[S]\na=1\n[T]\n", "S", "k", "v", "[S]\na=1\nk=v\r\n[T]\n"},
        {"new key in a CR file", "[S]\ra=1\r", "S", "k", "v", "[S]\ra=1\rk=v\r\n"},
        {"new key after a closing comment", "[S]\r\na=1\r\n;note\r\n[T]\r\n", "S", "k", "v",
         "[S]\r\na=1\r\n;note\r\nk=v\r\n[T]\r\n"},
        {"new key under a bare header", "[S]", "S", "k", "v", "[S]\r\nk=v\r\n"},
        {"new key into the first section of a name", "[S]\r\na=1\r\n[T]\r\n[s]\r\nb=2\r\n", "s",
         "k", "v", "[S]\r\na=1\r\nk=v\r\n[T]\r\n[s]\r\nb=2\r\n"},
        {"replace keeps stored spelling", "[sect]\r\nKEY=old\r\n", "SECT", "key", "new",
         "[sect]\r\nKEY=new\r\n"},
        {"replace keeps the line break", "[S]\nk=old\nz=1\n", "S", "k", "new", "[S]\nk=new\nz=1\n"},
        {"replace keeps blanks before =", "[S]\r\n  k  =  \"old\"  \r\n", "S", "k", "new",
         "[S]\r\n  k  =new\r\n"},
        {"replace a last line without break", "[S]\r\nk=old", "S", "k", "new", "[S]\r\nk=new\r\n"},
        {"replace only the first duplicate", "[S]\r\nk=1\r\nk=2\r\n", "S", "k", "v",
         "[S]\r\nk=v\r\nk=2\r\n"},
        {"replace with empty value", "[S]\r\nk=old\r\n", "S", "k", "", "[S]\r\nk=\r\n"},
        {"value written as it is", "", "S", "k", " \"v\" ", "[S]\r\nk= \"v\" \r\n"},
        {"blanks around arguments dropped", "", " S ", "\tk ", "v", "[S]\r\nk=v\r\n"},
        {"key before the first section left alone", "k=1\r\n", "S", "k", "v",
         "k=1\r\n[S]\r\nk=v\r\n"},
        {"comments and odd lines kept", ";c\r\n# x\r\n[S] z\r\n junk \r\nk=1\r\n", "S", "k", "2",
         ";c\r\n# x\r\n[S] z\r\n junk \r\nk=2\r\n"},
        {"delete a key", "[S]\r\nk=1\r\nz=2\r\n", "S", "k", nullopt, "[S]\r\nz=2\r\n"},
        {"delete keeps an empty section", "[S]\r\nk=1\r\n[T]\r\n", "S", "K", nullopt,
         "[S]\r\n[T]\r\n"},
        {"delete an absent key", "[S]\r\nz=1\r\n", "S", "k", nullopt, nullopt},
        {"delete in an absent section", "[T]\r\nk=1\r\n", "S", "k", nullopt, nullopt},
        {"delete adds the missing final break", "[S]\nk=1\nz=2", "S", "k", nullopt, "[S]\nz=2\r\n"},
        {"delete the last line without break", "[S]\r\nk=1", "S", "k", nullopt, "[S]\r\n"},
        {"delete only the first duplicate", "[S]\r\nk=1\r\nK=2\r\n", "S", "k", nullopt,
         "[S]\r\nK=2\r\n"},
        {"byte-order mark kept, header found", "\xEF\xBB\xBF[S]\r\nk=1\r\n", "S", "k", "2",
         "\xEF\xBB\xBF[S]\r\nk=2\r\n"},
        {"byte-order mark kept, key added", "\xEF\xBB\xBF[S]\r\n", "S", "k", "v",
         "\xEF\xBB\xBF[S]\r\nk=v\r\n"},
    };
    for (const WriteRow& row : rows) {
        EXPECT_EQ(profile::withValue(row.content, row.section, row.key, row.value), row.expected)
            << row.what;
    }
}

TEST(PrivateProfileWrite, RefusesNamesAndValuesThatWouldNotReadBack) {
    struct Row {
        string section, key;
        optional<string> value;
        bool refused;
    };
    const Row rows[] = {
        {"S", "k", "v", false},           {"", "k", "v", true},          {"S", "  ", "v", true},
        {"S", "k", "a\r\nb=c", true},     {"S", "k", "a\nb", true},      {"S\r", "k", "v", true},
        {"a]b", "k", "v", true},          {"S", "k=x", "v", true},       {"S", ";k", "v", true},
        {"S", "[k]", "v", true},          {"S", "k;[x]", "v;=]", false}, {"S", "k", nullopt, false},
        {"Mode 1 (x)", "a b", "", false},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(profile::nameProblem(row.section, row.key, row.value).empty(), !row.refused)
            << "[" << row.section << "] " << row.key;
    }
}

class PrivateProfileFile : public ::testing::Test {
  protected:
    void SetUp() override {
        string pattern = (fs::temp_directory_path() / "vn340-profile-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        folder_ = pattern;
    }
    void TearDown() override { fs::remove_all(folder_); }

    string at(const string& name) const { return (folder_ / name).string(); }

    static void put(const string& path, const string& bytes) {
        std::ofstream(path, std::ios::binary) << bytes;
    }

    std::vector<string> entries() const {
        std::vector<string> names;
        for (const auto& entry : fs::directory_iterator(folder_)) {
            names.push_back(entry.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        return names;
    }

    fs::path folder_;
};

TEST_F(PrivateProfileFile, WritesANewFileAndReadsItBack) {
    const string path = at("new.ini");
    ASSERT_TRUE(profile::writeString(path, "Settings", "COM PORT", "ttyUSB0").ok());
    EXPECT_EQ(profile::readFileBytes(path), "[Settings]\r\nCOM PORT=ttyUSB0\r\n");
    EXPECT_EQ(profile::getString(path, "settings", "com port"), "ttyUSB0");
    EXPECT_EQ(entries(), std::vector<string>{"new.ini"}) << "no temporary file left behind";
}

TEST_F(PrivateProfileFile, MissingFileReadsEmptyAndDeleteDoesNotCreateIt) {
    const string path = at("missing.ini");
    EXPECT_EQ(profile::getString(path, "S", "k"), nullopt);
    EXPECT_TRUE(profile::sectionNames(path).empty());
    EXPECT_TRUE(profile::deleteKey(path, "S", "k").ok());
    EXPECT_FALSE(fs::exists(path));
}

TEST_F(PrivateProfileFile, FolderThatIsARegularFileFailsWithReason) {
    put(at("plain"), "x");
    const ProfileWriteResult result = profile::writeString(at("plain") + "/p.ini", "S", "k", "v");
    EXPECT_FALSE(result.ok());
    EXPECT_EQ(result.error, ENOTDIR);
    EXPECT_NE(result.message.find("p.ini"), string::npos) << result.message;
    EXPECT_EQ(profile::readFileBytes(at("plain")), "x");
}

TEST_F(PrivateProfileFile, DirectoryInTheWayFailsAndStays) {
    fs::create_directory(at("taken.ini"));
    put(at("taken.ini") + "/inside", "keep");
    const ProfileWriteResult result = profile::writeString(at("taken.ini"), "S", "k", "v");
    EXPECT_EQ(result.error, EISDIR);
    EXPECT_FALSE(result.message.empty());
    EXPECT_TRUE(fs::is_directory(at("taken.ini")));
    EXPECT_EQ(profile::readFileBytes(at("taken.ini") + "/inside"), "keep");
    EXPECT_EQ(entries(), std::vector<string>{"taken.ini"});
}

TEST_F(PrivateProfileFile, ADirectoryReadsAsAnEmptyFile) {
    fs::create_directory(at("folder.tsf"));
    EXPECT_EQ(profile::readFileBytes(at("folder.tsf")), "");
    EXPECT_EQ(profile::getString(at("folder.tsf"), "Gyro", "Product"), nullopt);
    EXPECT_TRUE(profile::sectionNames(at("folder.tsf")).empty());
}

// A file-size limit makes the write of the temporary file fail half-way, as a full disk would.
TEST_F(PrivateProfileFile, FailedWriteLeavesTheOldFileByteForByte) {
    const string path = at("old.ini");
    const string old = "; hand edited\n[S]\r\nk = 'one'\rz=2";
    put(path, old);
    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 64;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const ProfileWriteResult result = profile::writeString(path, "S", "k", string(200, 'x'));
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);

    EXPECT_EQ(result.error, EFBIG);
    EXPECT_EQ(profile::readFileBytes(path), old);
    EXPECT_EQ(entries(), std::vector<string>{"old.ini"}) << "the temporary file is removed";
}

TEST_F(PrivateProfileFile, RefusedNameLeavesTheFileAndSaysWhy) {
    const string path = at("p.ini");
    put(path, "[S]\r\nk=1\r\n");
    const ProfileWriteResult result = profile::writeString(path, "S", "k", "1\r\n[X]");
    EXPECT_EQ(result.error, EINVAL);
    EXPECT_NE(result.message.find("line break"), string::npos) << result.message;
    EXPECT_EQ(profile::readFileBytes(path), "[S]\r\nk=1\r\n");
}

TEST_F(PrivateProfileFile, KeepsPermissionsAndFollowsSymbolicLinks) {
    const string real = at("real.ini");
    put(real, "[S]\r\nk=1\r\n");
    ::chmod(real.c_str(), 0640);
    fs::create_symlink(real, at("link.ini"));
    ASSERT_TRUE(profile::writeString(at("link.ini"), "S", "k", "2").ok());
    EXPECT_TRUE(fs::is_symlink(at("link.ini")));
    EXPECT_EQ(profile::readFileBytes(real), "[S]\r\nk=2\r\n");
    struct stat info {};
    ASSERT_EQ(::stat(real.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
}

TEST_F(PrivateProfileFile, AReadOnlyFileIsNotReplaced) {
    const string path = at("locked.tsf");
    put(path, "[S]\r\nk=1\r\n");
    ::chmod(path.c_str(), 0444);
    const ProfileWriteResult result = profile::writeString(path, "S", "k", "2");
    EXPECT_EQ(result.error, EACCES);
    EXPECT_NE(result.message.find("locked.tsf"), string::npos) << result.message;
    EXPECT_EQ(profile::readFileBytes(path), "[S]\r\nk=1\r\n");
    EXPECT_EQ(entries(), std::vector<string>{"locked.tsf"});
    ::chmod(path.c_str(), 0644);
    EXPECT_TRUE(profile::writeString(path, "S", "k", "2").ok());
}

// A pipe named like a settings file must neither make a read wait for a writer nor be
// replaced by a write.
TEST_F(PrivateProfileFile, APipeIsNeitherWaitedOnNorReplaced) {
    const string path = at("pipe.tsf");
    ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
    EXPECT_EQ(profile::readFileBytes(path), "");
    EXPECT_EQ(profile::getString(path, "Gyro", "Product"), nullopt);
    EXPECT_TRUE(profile::sectionNames(path).empty());
    const ProfileWriteResult result = profile::writeString(path, "S", "k", "v");
    EXPECT_EQ(result.error, EINVAL);
    EXPECT_NE(result.message.find("not a regular file"), string::npos) << result.message;
    EXPECT_TRUE(fs::is_fifo(path));
    EXPECT_EQ(entries(), std::vector<string>{"pipe.tsf"});
}

TEST_F(PrivateProfileFile, DeleteRemovesTheLineOnDisk) {
    const string path = at("d.ini");
    put(path, "[S]\nk=1\n[T]\nk=2\n");
    ASSERT_TRUE(profile::deleteKey(path, "s", "K").ok());
    EXPECT_EQ(profile::readFileBytes(path), "[S]\n[T]\nk=2\n");
    EXPECT_EQ(profile::getString(path, "S", "k"), nullopt);
}

}  // namespace
}  // namespace vn340
