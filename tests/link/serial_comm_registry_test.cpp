// The registry's list of serial ports, read from a key of the test's own with the layout of
// HKLM\HARDWARE\DEVICEMAP\SERIALCOMM (which Wine fills from its own ports).

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "link/port_discovery.h"
#include "link/serial_comm.h"

namespace vn340 {
namespace {

constexpr const wchar_t* kTestKey = L"Software\\vn340-test\\SERIALCOMM";

class RegistrySerialCommTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ::RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\vn340-test");
        ASSERT_EQ(::RegCreateKeyExW(HKEY_CURRENT_USER, kTestKey, 0, nullptr, 0, KEY_ALL_ACCESS,
                                    nullptr, &key_, nullptr),
                  ERROR_SUCCESS);
    }
    void TearDown() override {
        ::RegCloseKey(key_);
        ::RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\vn340-test");
    }

    // A value's data as given, `bytes` long (the NUL included or not).
    void put(const wchar_t* name, const std::wstring& data, std::size_t bytes,
             DWORD type = REG_SZ) {
        ASSERT_EQ(::RegSetValueExW(key_, name, 0, type, reinterpret_cast<const BYTE*>(data.c_str()),
                                   static_cast<DWORD>(bytes)),
                  ERROR_SUCCESS);
    }
    void put(const wchar_t* name, const std::wstring& data) {
        put(name, data, (data.size() + 1) * sizeof(wchar_t));
    }

    static std::vector<SerialCommEntry> read(SysResult& result) {
        std::vector<SerialCommEntry> entries;
        result = registrySerialComm(RegistryRoot::CurrentUser, "Software\\vn340-test\\SERIALCOMM")
                     ->entries(entries);
        return entries;
    }

    HKEY key_ = nullptr;
};

TEST_F(RegistrySerialCommTest, StringValuesAreThePortsWithOrWithoutTheirNul) {
    put(L"\\Device\\VCP0", L"COM12");
    // A driver that wrote the name without its NUL, and one with the name padded by NULs.
    put(L"\\Device\\Serial0", L"COM1", 4 * sizeof(wchar_t));
    put(L"\\Device\\Serial1", std::wstring(L"COM2\0\0", 6), 6 * sizeof(wchar_t));
    const DWORD number = 7;
    ASSERT_EQ(::RegSetValueExW(key_, L"\\Device\\Odd", 0, REG_DWORD,
                               reinterpret_cast<const BYTE*>(&number), sizeof number),
              ERROR_SUCCESS);
    SysResult result;
    const std::vector<SerialCommEntry> entries = read(result);
    ASSERT_TRUE(result) << result.message;
    ASSERT_EQ(entries.size(), 3u) << "no port in a value that is no string";
    std::vector<std::string> names;
    for (const SerialCommEntry& entry : entries) {
        names.push_back(entry.device + "=" + entry.port);
    }
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"\\Device\\Serial0=COM1", "\\Device\\Serial1=COM2",
                                               "\\Device\\VCP0=COM12"}));
}

// The longest name and data decide the buffers: one at exactly that length must come whole.
TEST_F(RegistrySerialCommTest, TheLongestValueComesWhole) {
    const std::wstring longName = L"\\Device\\" + std::wstring(240, L'N');
    const std::wstring longPort = L"COM" + std::wstring(300, L'9');
    put(longName.c_str(), longPort);
    put(L"\\Device\\VCP0", L"COM3");
    SysResult result;
    const std::vector<SerialCommEntry> entries = read(result);
    ASSERT_TRUE(result) << result.message;
    ASSERT_EQ(entries.size(), 2u);
    const auto& longest = entries[0].port.size() > entries[1].port.size() ? entries[0] : entries[1];
    EXPECT_EQ(longest.device, std::string(longName.begin(), longName.end()));
    EXPECT_EQ(longest.port, std::string(longPort.begin(), longPort.end()));
}

TEST_F(RegistrySerialCommTest, AMissingListIsNoPortsAndNoFailure) {
    std::vector<SerialCommEntry> entries{{"stale", "COM9"}};
    const SysResult result =
        registrySerialComm(RegistryRoot::CurrentUser, "Software\\vn340-test\\Nothing")
            ->entries(entries);
    EXPECT_TRUE(result) << result.message;
    EXPECT_TRUE(entries.empty());
}

// The system's own list, which Wine keeps of the ports it maps.
TEST(SystemSerialComm, TheSystemsListCanBeRead) {
    std::vector<std::string> names;
    const SysResult result = enumerateSerialPorts(
        [&](const PortInfo& port) {
            names.push_back(port.portName);
            return true;
        },
        *systemTtyClass());
    EXPECT_TRUE(result) << result.message;
    for (const std::string& name : names) {
        EXPECT_FALSE(name.empty());
    }
}

}  // namespace
}  // namespace vn340
