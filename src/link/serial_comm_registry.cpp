// The registry's list of serial ports, read with the wide-character calls: a port's name may be
// any the driver chose, and a value's data need not end in the NUL it should.

#include <windows.h>

#include <algorithm>
#include <cerrno>
#include <string>
#include <utility>
#include <vector>

#include "base/wide_text.h"
#include "link/serial_comm.h"

namespace vn340 {
namespace {

// The text of a string value: its bytes up to the first NUL, or all of them where it has none.
std::string valueText(const std::vector<BYTE>& data, DWORD size) {
    std::wstring_view text(reinterpret_cast<const wchar_t*>(data.data()), size / sizeof(wchar_t));
    return utf8(text.substr(0, text.find(L'\0')));
}

class Key {
  public:
    explicit Key(HKEY key) : key_(key) {}
    ~Key() { ::RegCloseKey(key_); }
    Key(const Key&) = delete;
    Key& operator=(const Key&) = delete;
    HKEY get() const { return key_; }

  private:
    HKEY key_;
};

class RegistrySerialComm final : public SerialCommSource {
  public:
    RegistrySerialComm(RegistryRoot root, std::string key) : root_(root), key_(std::move(key)) {}

    SysResult entries(std::vector<SerialCommEntry>& entries) override {
        entries.clear();
        HKEY opened = nullptr;
        const HKEY root =
            root_ == RegistryRoot::CurrentUser ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE;
        const LSTATUS status =
            ::RegOpenKeyExW(root, wide(key_).c_str(), 0, KEY_QUERY_VALUE, &opened);
        // A computer without a serial port has no list at all.
        if (status == ERROR_FILE_NOT_FOUND) {
            return {};
        }
        if (status != ERROR_SUCCESS) {
            return failure(status);
        }
        const Key key(opened);
        DWORD nameSize = 0;
        DWORD dataSize = 0;
        if (const LSTATUS queried = query(key.get(), nameSize, dataSize);
            queried != ERROR_SUCCESS) {
            return failure(queried);
        }
        std::vector<wchar_t> name;
        std::vector<BYTE> data;
        int regrown = 0;
        for (DWORD index = 0;;) {
            name.resize(nameSize + 1);
            data.resize(dataSize + sizeof(wchar_t));
            DWORD nameLength = static_cast<DWORD>(name.size());
            DWORD dataLength = static_cast<DWORD>(data.size());
            DWORD type = REG_NONE;
            const LSTATUS read = ::RegEnumValueW(key.get(), index, name.data(), &nameLength,
                                                 nullptr, &type, data.data(), &dataLength);
            if (read == ERROR_NO_MORE_ITEMS) {
                return {};
            }
            // A port that came while the list was read may be longer than the longest before;
            // a list that keeps growing is given up on rather than read for ever.
            if (read == ERROR_MORE_DATA && ++regrown <= 3) {
                if (const LSTATUS queried = query(key.get(), nameSize, dataSize);
                    queried != ERROR_SUCCESS) {
                    return failure(queried);
                }
                dataSize = std::max(dataSize, dataLength);
                continue;
            }
            if (read != ERROR_SUCCESS) {
                return failure(read);
            }
            if (type == REG_SZ) {
                entries.push_back({utf8({name.data(), nameLength}), valueText(data, dataLength)});
            }
            ++index;
        }
    }

  private:
    static LSTATUS query(HKEY key, DWORD& nameSize, DWORD& dataSize) {
        return ::RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                  nullptr, &nameSize, &dataSize, nullptr, nullptr);
    }

    SysResult failure(LSTATUS status) const {
        const int error = status == ERROR_ACCESS_DENIED ? EACCES : EIO;
        return SysResult::failure(error, "list the serial ports in the registry (" + key_ +
                                             "): error " + std::to_string(status));
    }

    RegistryRoot root_;
    std::string key_;
};

}  // namespace

std::unique_ptr<SerialCommSource> registrySerialComm(RegistryRoot root, std::string key) {
    return std::make_unique<RegistrySerialComm>(root, std::move(key));
}

std::unique_ptr<TtyClass> systemTtyClass(std::string) {
    return serialCommTtyClass(registrySerialComm());
}

}  // namespace vn340
