#include "config/profile_store.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <climits>

#include "base/memory_file_system.h"

namespace vn340 {
namespace {

using std::string;
using std::vector;

class ProfileStoreTest : public ::testing::Test {
  protected:
    void SetUp() override { store_.setPath("/cfg/store.ini"); }

    void put(const string& bytes) { files_.files[store_.path()] = bytes; }
    string bytes() const { return files_[store_.path()]; }
    // Stores one value as the file's only key.
    void value(const string& text) { put("[S]\r\nk=" + text + "\r\n"); }

    MemoryFileSystem files_;
    ProfileStore store_{files_};
};

// Whole numbers convert as the C library converts them; anything that is not one whole (digits
// followed by other text, no digits at all) is damage and gives the default.
TEST_F(ProfileStoreTest, GetIntConvertsLikeTheCLibrary) {
    struct Row {
        string text;
        int base;
        int expected;
    };
    const Row rows[] = {
        {"-50", 10, -50},
        {" 12ab", 10, 1234},
        {"ab", 10, 1234},
        {"+7", 10, 7},
        {"\"42\"", 10, 42},
        {"\" 42 \"", 10, 42},
        {"FF", 16, 255},
        {"ff", 16, 255},
        {"0x1f", 16, 31},
        {"0xg", 16, 1234},
        {"-1", 16, -1},
        {"777", 8, 511},
        {"78", 8, 1234},
        {"101", 2, 5},
        {"12", 2, 1234},
        {"12", 7, 12},
        {"1A", 0, 1234},
        {"4294967295", 10, INT_MAX},
        {"2147483648", 10, INT_MAX},
        {"99999999999", 10, INT_MAX},
        {"-99999999999", 10, INT_MIN},
        {"11111111111111111111111111111111", 2, -1},
        {string(63, '0') + "12", 10, 12},
    };
    for (const Row& row : rows) {
        value(row.text);
        EXPECT_EQ(store_.getInt("S", "k", 1234, row.base), row.expected)
            << "'" << row.text << "' in base " << row.base;
    }
}

TEST_F(ProfileStoreTest, GetIntGivesTheDefaultForEmptyOrAbsent) {
    value("");
    EXPECT_EQ(store_.getInt("S", "k", 77), 77);
    value("  ");
    EXPECT_EQ(store_.getInt("S", "k", 77), 77) << "blanks are trimmed to nothing";
    EXPECT_EQ(store_.getInt("S", "absent", -9), -9);
    EXPECT_EQ(store_.getInt("", "k", 5), 5);
}

TEST_F(ProfileStoreTest, WriteIntUsesTheBase) {
    struct Row {
        int number;
        int base;
        string text;
    };
    const Row rows[] = {
        {255, 16, "FF"},
        {255, 2, "11111111"},
        {255, 10, "255"},
        {-1, 10, "-1"},
        {0, 2, "0"},
        {0, 16, "0"},
        {8, 8, "10"},
        {255, 3, "255"},
        {-1, 16, "FFFFFFFF"},
        {-1, 8, "37777777777"},
        {INT_MIN, 10, "-2147483648"},
    };
    for (const Row& row : rows) {
        ASSERT_TRUE(store_.writeInt("S", "k", row.number, row.base));
        EXPECT_EQ(store_.getString("S", "k"), row.text) << row.number << " in base " << row.base;
        EXPECT_EQ(store_.getInt("S", "k", 0, row.base), row.number) << "reads back";
    }
}

TEST_F(ProfileStoreTest, GetBoolAcceptsWordsAndNumbers) {
    struct Row {
        string text;
        bool expected;
    };
    const Row rows[] = {
        {"true", true}, {"TRUE", true},     {"Yes", true},    {"yEs", true},
        {"1", true},    {"7", true},        {"-3", true},     {"12abc", true},
        {" 2", true},   {"no", false},      {"false", false}, {"0", false},
        {"abc", false}, {"trueish", false}, {"00", false},    {"y", false},
    };
    for (const Row& row : rows) {
        value(row.text);
        EXPECT_EQ(store_.getBool("S", "k", !row.expected), row.expected) << "'" << row.text << "'";
    }
    value("");
    EXPECT_TRUE(store_.getBool("S", "k", true));
    EXPECT_FALSE(store_.getBool("S", "k", false));
    EXPECT_TRUE(store_.getBool("S", "absent", true));
}

TEST_F(ProfileStoreTest, WriteBoolWritesOneOrZero) {
    ASSERT_TRUE(store_.writeBool("S", "on", true));
    ASSERT_TRUE(store_.writeBool("S", "off", false));
    EXPECT_EQ(bytes(), "[S]\r\non=1\r\noff=0\r\n");
}

TEST_F(ProfileStoreTest, GetArraySplitsAndTrims) {
    struct Row {
        string text;
        string delimiter;
        vector<string> expected;
    };
    const Row rows[] = {
        {"a_CRLF__CRLF_ b _CRLF_", "_CRLF_", {"a", "b"}},
        {"x , ,y,", ",", {"x", "y"}},
        {"a\t,\tb", ",", {"a", "b"}},
        {"a , b", "", {"a , b"}},
        {"one", ",", {"one"}},
        {",,,", ",", {}},
        {"a::b:c", "::", {"a", "b:c"}},
    };
    for (const Row& row : rows) {
        value(row.text);
        vector<string> list{"old"};
        store_.getArray("S", "k", list, row.delimiter);
        EXPECT_EQ(list, row.expected) << "'" << row.text << "' split at '" << row.delimiter << "'";
    }
}

TEST_F(ProfileStoreTest, GetArrayEmptiesTheListWhenThereIsNothing) {
    value("");
    vector<string> list{"old"};
    store_.getArray("S", "k", list);
    EXPECT_TRUE(list.empty());
    list = {"old"};
    store_.getArray("S", "", list);
    EXPECT_TRUE(list.empty());
}

TEST_F(ProfileStoreTest, WriteArrayJoinsTheFirstCountElements) {
    struct Row {
        int count;
        string delimiter;
        string expected;
    };
    const Row rows[] = {
        {-1, "_CRLF_", "a_CRLF_b_CRLF_c"},
        {2, ",", "a,b"},
        {10, ";", "a;b;c"},
        {0, ",", ""},
        {-1, "", "a,b,c"},
    };
    for (const Row& row : rows) {
        ASSERT_TRUE(store_.writeArray("S", "k", {"a", "b", "c"}, row.count, row.delimiter));
        EXPECT_EQ(store_.getString("S", "k", "absent"), row.expected)
            << "count " << row.count << ", delimiter '" << row.delimiter << "'";
    }
}

TEST_F(ProfileStoreTest, KeyExistsUsesTheSentinel) {
    put("[S]\r\nempty=\r\nset=1\r\nodd={63788286-AE30-4D6B-95DF-3B451C1C79F9}\r\n");
    EXPECT_TRUE(store_.keyExists("S", "empty"));
    EXPECT_TRUE(store_.keyExists("s", "SET"));
    EXPECT_FALSE(store_.keyExists("S", "odd")) << "a key holding the sentinel counts as absent";
    EXPECT_FALSE(store_.keyExists("S", "absent"));
    EXPECT_FALSE(store_.keyExists("T", "set"));
    EXPECT_FALSE(store_.keyExists("", "set"));
    EXPECT_FALSE(store_.keyExists("S", ""));
}

TEST_F(ProfileStoreTest, SectionsIgnoreCase) {
    EXPECT_FALSE(store_.sectionExists("Servo")) << "missing file";
    EXPECT_TRUE(store_.sectionNames().empty());
    put("[Gyro]\r\na=1\r\n[Servo]\r\n");
    EXPECT_TRUE(store_.sectionExists("servo"));
    EXPECT_FALSE(store_.sectionExists("Serv"));
    EXPECT_FALSE(store_.sectionExists(""));
    EXPECT_EQ(store_.sectionNames(), (vector<string>{"Gyro", "Servo"}));
}

TEST_F(ProfileStoreTest, DefaultsLoseTrailingSpacesOnlyWhenTheFileIsAsked) {
    put("[S]\r\nk=v\r\n");
    EXPECT_EQ(store_.getString("S", "absent", " d \t  "), " d \t");
    EXPECT_EQ(store_.getString("S", "", "d  "), "d  ") << "no key: the default as given";
    EXPECT_EQ(store_.getString("S", "k", "d"), "v");
}

TEST_F(ProfileStoreTest, GetStringIntoAlwaysEndsTheText) {
    put("[S]\r\nk=hello\r\n");
    struct Row {
        std::size_t capacity;
        std::size_t result;
        string text;
    };
    const Row rows[] = {{15, 5, "hello"}, {6, 5, "hello"}, {5, 5, "hell"}, {2, 2, "h"}, {1, 1, ""}};
    for (const Row& row : rows) {
        char buffer[16];
        std::fill(std::begin(buffer), std::end(buffer), 'X');
        EXPECT_EQ(store_.getStringInto("S", "k", buffer, row.capacity), row.result)
            << "capacity " << row.capacity;
        EXPECT_EQ(string(buffer), row.text) << "capacity " << row.capacity;
        EXPECT_EQ(buffer[row.capacity], 'X') << "nothing written past the capacity";
    }
    EXPECT_EQ(store_.getStringInto("S", "k", nullptr, 0), 0u);
}

TEST_F(ProfileStoreTest, WritesAreSeenByAnotherStoreAtOnce) {
    ProfileStore other(files_);
    other.setPath(store_.path());
    ASSERT_TRUE(store_.writeString("S", "k", "1"));
    EXPECT_EQ(other.getString("S", "k"), "1");
    ASSERT_TRUE(other.writeString("S", "k", "2"));
    EXPECT_EQ(store_.getString("S", "k"), "2");
    ASSERT_TRUE(store_.deleteKey("S", "k"));
    EXPECT_FALSE(other.keyExists("S", "k"));
    EXPECT_EQ(bytes(), "[S]\r\n");
}

TEST_F(ProfileStoreTest, LastErrorTellsWhyAWriteFailed) {
    EXPECT_FALSE(store_.writeString("", "k", "v"));
    EXPECT_EQ(store_.lastError().error, EINVAL);
    EXPECT_TRUE(files_.files.empty());

    files_.replaceFailures[store_.path()] = SysResult::failure(ENOTDIR, "in the way");
    EXPECT_FALSE(store_.writeInt("S", "k", 1));
    EXPECT_EQ(store_.lastError().error, ENOTDIR);
    EXPECT_EQ(store_.lastError().message, "in the way");
    files_.replaceFailures.clear();

    EXPECT_TRUE(store_.writeString("S", "k", "v"));
    EXPECT_TRUE(store_.lastError().ok());
    EXPECT_TRUE(store_.lastError().message.empty());
}

TEST(ProfileStoreOnDisk, WithoutAPathReadsDefaultsAndWritesFail) {
    ProfileStore store;
    store.setPath(std::nullopt);
    EXPECT_EQ(store.path(), "");
    EXPECT_EQ(store.getString("S", "k", "d"), "d");
    EXPECT_FALSE(store.writeString("S", "k", "v"));
    EXPECT_EQ(store.lastError().error, ENOENT);
}

}  // namespace
}  // namespace vn340
