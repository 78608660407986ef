#include "config/private_profile.h"

#include <gtest/gtest.h>

#include <cerrno>

#include "base/memory_file_system.h"

namespace vn340 {
namespace {

using std::nullopt;
using std::optional;
using std::string;
using namespace std::string_literals;

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
        {"a bare key name reads empty", "[S]\r\nk\r\n", "S", "k", ""},
        {"a bare key name hides a later line of it", "[S]\r\n k \r\nk=v\r\n", "S", "K", ""},
        {"a bare key name after the key's line", "[S]\r\nk=v\r\nk\r\n", "S", "k", "v"},
        {"an unclosed header is a bare key name", "[S]\r\n[k\r\n", "S", "[k", ""},
        {"a value ends at a NUL", "[S]\r\nProduct=vn340\0junk\r\n"s, "S", "Product", "vn340"},
        {"blanks and quotes before a NUL", "[S]\r\nk= \"v\" \0\"\r\n"s, "S", "k", "v"},
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
        {"a bare key name gets the value", "[S]\r\n k \r\nk=1\r\n", "S", "K", "v",
         "[S]\r\n k =v\r\nk=1\r\n"},
        {"the key's line before a bare name", "[S]\r\nk=1\r\nk\r\n", "S", "k", "v",
         "[S]\r\nk=v\r\nk\r\n"},
        {"delete a bare key name", "[S]\r\nk\r\nk=1\r\n", "S", "k", nullopt, "[S]\r\nk=1\r\n"},
        {"a value after a NUL replaced whole", "[S]\r\nk=1\0junk\r\n"s, "S", "k", "2",
         "[S]\r\nk=2\r\n"},
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
        {"Mode 1 (x)", "a b", "", false}, {"S", "k", "a\0b"s, true},     {"S\0x"s, "k", "v", true},
        {"S", "k\0"s, "v", true},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(profile::nameProblem(row.section, row.key, row.value).empty(), !row.refused)
            << "[" << row.section << "] " << row.key;
    }
}

// The file as a text editor's "Unicode" save leaves it: the UTF-16 little-endian byte-order
// mark, then two bytes a unit, the low one first.
string utf16(std::u16string_view text) {
    string bytes = "\xFF\xFE";
    for (char16_t unit : text) {
        bytes.push_back(static_cast<char>(unit & 0xFF));
        bytes.push_back(static_cast<char>(unit >> 8));
    }
    return bytes;
}

const std::u16string kLoneSurrogate(1, u'\xD800');

TEST(PrivateProfileUtf16, ReadsTheTextInWindows1252) {
    const ReadRow rows[] = {
        {"ASCII", utf16(u"[Gyro]\r\nProduct=vn340\r\n"), "Gyro", "Product", "vn340"},
        {"letters of the code page", utf16(u"[S]\r\nk=Grüße € ‰\r\n"), "S", "k",
         "Gr\xFC\xDF"
         "e \x80 \x89"},
        {"letters beyond it", utf16(u"[S]\r\nk=λ中\r\n"), "S", "k", "??"},
        {"a surrogate pair is one character", utf16(u"[S]\r\nk=a\U0001F681b\r\n"), "S", "k", "a?b"},
        {"a lone surrogate", utf16(u"[S]\r\nk=a" + kLoneSurrogate + u"b\r\n"), "S", "k", "a?b"},
        {"names in the code page", utf16(u"[Größe]\r\nÀ=1\r\n"),
         "Gr\xF6\xDF"
         "e",
         "\xC0", "1"},
        {"a NUL ends the value", utf16(u"[S]\r\nk=v\0w\r\n"s), "S", "k", "v"},
        {"an odd last byte is not read", utf16(u"[S]\r\nk=v") + "7", "S", "k", "v"},
        {"only the mark", utf16(u""), "S", "k", nullopt},
    };
    for (const ReadRow& row : rows) {
        EXPECT_EQ(profile::findValue(row.content, row.section, row.key), row.expected) << row.what;
    }
    EXPECT_EQ(profile::sectionNamesIn(utf16(u"[Gyro]\r\n[Servoλ]\r\n")),
              (std::vector<string>{"Gyro", "Servo?"}));
}

// Windows writes such a file back in UTF-16, and nothing but the line concerned changes, not
// even the characters the code page lacks.
TEST(PrivateProfileUtf16, WritesBackInUtf16) {
    const std::u16string others = u";λ中 \U0001F681" + kLoneSurrogate + u"\r\n";
    const WriteRow rows[] = {
        {"replace", utf16(u"[S]\r\nk=1\r\n" + others), "S", "k", "2",
         utf16(u"[S]\r\nk=2\r\n" + others)},
        {"new key in the code page", utf16(u"[S]\r\n" + others), "s", "\xC0", "\xE9\x80",
         utf16(u"[S]\r\n" + others + u"À=é€\r\n")},
        {"new section", utf16(others), "S", "k", "v", utf16(others + u"[S]\r\nk=v\r\n")},
        {"only the mark", utf16(u""), "S", "k", "v", utf16(u"[S]\r\nk=v\r\n")},
        {"delete", utf16(u"[S]\r\nk=1\r\n" + others), "S", "k", nullopt,
         utf16(u"[S]\r\n" + others)},
        {"an odd last byte stays last", utf16(u"[S]\r\nk=1") + "\n", "S", "k", "2",
         utf16(u"[S]\r\nk=2\r\n") + "\n"},
        {"an odd last byte after a new line", utf16(u"[S]\r\n") + "\n", "S", "k", "v",
         utf16(u"[S]\r\nk=v\r\n") + "\n"},
    };
    for (const WriteRow& row : rows) {
        EXPECT_EQ(profile::withValue(row.content, row.section, row.key, row.value), row.expected)
            << row.what;
    }
}

class PrivateProfileFile : public ::testing::Test {
  protected:
    MemoryFileSystem files_;
    const string path_ = "/models/p.ini";
};

TEST_F(PrivateProfileFile, WritesANewFileAndReadsItBack) {
    ASSERT_TRUE(profile::writeString(files_, path_, "Settings", "COM PORT", "ttyUSB0").ok());
    EXPECT_EQ(files_[path_], "[Settings]\r\nCOM PORT=ttyUSB0\r\n");
    EXPECT_EQ(profile::getString(files_, path_, "settings", "com port"), "ttyUSB0");
}

TEST_F(PrivateProfileFile, MissingFileReadsEmptyAndDeleteDoesNotCreateIt) {
    EXPECT_EQ(profile::getString(files_, path_, "S", "k"), nullopt);
    EXPECT_TRUE(profile::sectionNames(files_, path_).empty());
    EXPECT_TRUE(profile::deleteKey(files_, path_, "S", "k").ok());
    EXPECT_TRUE(files_.files.empty());
}

// Whatever cannot be read reads as empty, and is never written over: a folder or a pipe in
// the way would be replaced, a file that cannot be read would lose its other keys.
TEST_F(PrivateProfileFile, AFileThatCannotBeReadIsNotWritten) {
    struct Row {
        int readError;
        string message;
    };
    const Row rows[] = {
        {EISDIR, "Cannot write \"/models/p.ini\": Is a directory"},
        {EINVAL, "Cannot write \"/models/p.ini\": it is not a regular file."},
        {EACCES, "Cannot write \"/models/p.ini\": Permission denied"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.readError);
        files_.files[path_] = "[S]\r\nk=1\r\n";
        files_.readFailures[path_] = SysResult::failure(row.readError, "the reader's words");
        EXPECT_EQ(profile::getString(files_, path_, "S", "k"), nullopt);
        EXPECT_TRUE(profile::sectionNames(files_, path_).empty());
        for (const SysResult& result : {profile::writeString(files_, path_, "S", "k", "2"),
                                        profile::deleteKey(files_, path_, "S", "k")}) {
            EXPECT_EQ(result.error, row.readError);
            EXPECT_EQ(result.message, row.message);
        }
        EXPECT_EQ(files_[path_], "[S]\r\nk=1\r\n");
    }
}

TEST_F(PrivateProfileFile, AFailedReplacementIsPassedOn) {
    files_.replaceFailures[path_] = SysResult::failure(ENOSPC, "disk full");
    const SysResult result = profile::writeString(files_, path_, "S", "k", "v");
    EXPECT_EQ(result.error, ENOSPC);
    EXPECT_EQ(result.message, "disk full");
}

TEST_F(PrivateProfileFile, RefusedNameLeavesTheFileAndSaysWhy) {
    files_.files[path_] = "[S]\r\nk=1\r\n";
    const SysResult result = profile::writeString(files_, path_, "S", "k", "1\r\n[X]");
    EXPECT_EQ(result.error, EINVAL);
    EXPECT_EQ(result.message,
              "Cannot write \"/models/p.ini\": a name or value holds a line break.");
    EXPECT_EQ(files_[path_], "[S]\r\nk=1\r\n");
}

TEST_F(PrivateProfileFile, DeleteRemovesTheLineInTheFile) {
    files_.files[path_] = "[S]\nk=1\n[T]\nk=2\n";
    ASSERT_TRUE(profile::deleteKey(files_, path_, "s", "K").ok());
    EXPECT_EQ(files_[path_], "[S]\n[T]\nk=2\n");
}

}  // namespace
}  // namespace vn340
