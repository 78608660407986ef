#include "link/device_broadcasts_windows.h"
#include "base/wide_text.h"

// <initguid.h> first: the property key is defined here, not looked for in a library.
#include <initguid.h>
// clang-format off
#include <devpkey.h>
#include <setupapi.h>
// clang-format on

#include <algorithm>
#include <cctype>
#include <cstddef>
#include <string_view>
#include <utility>

namespace vn340 {
namespace {

// The name at the end of a broadcast, within the size the broadcast gives itself: a name that
// fills it without its NUL is cut at the end of the structure, not read past it.
std::wstring_view nameIn(const DEV_BROADCAST_HDR* header, std::size_t offset) {
    if (header->dbch_size <= offset) {
        return {};
    }
    const auto* start =
        reinterpret_cast<const wchar_t*>(reinterpret_cast<const unsigned char*>(header) + offset);
    const std::wstring_view name(start, (header->dbch_size - offset) / sizeof(wchar_t));
    return name.substr(0, name.find(L'\0'));
}

// Device paths are the same whatever their letter case; the key a device is remembered by
// must be too.
std::string upper(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) {
        return static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
    });
    return text;
}

// "0403" of "...#VID_0403&PID_6001#...": the four hexadecimal digits after "VID_", in small
// letters as udev gives them; empty when the path has none.
std::string vendorOf(const std::string& path) {
    const std::string key = upper(path);
    const std::size_t at = key.find("VID_");
    if (at == std::string::npos || at + 8 > key.size()) {
        return {};
    }
    std::string digits = path.substr(at + 4, 4);
    for (char& c : digits) {
        if (!std::isxdigit(static_cast<unsigned char>(c))) {
            return {};
        }
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return digits;
}

UdevFacts usbFacts(std::string action, const std::string& path) {
    UdevFacts facts;
    facts.action = std::move(action);
    facts.subsystem = "usb";
    facts.sysname = path;
    facts.devpath = upper(path);
    // The path keeps the vendor also while the device is removed.
    facts.vendorProperty = vendorOf(path);
    return facts;
}

}  // namespace

DeviceBroadcasts::DeviceBroadcasts(Describe describe) : describe_(std::move(describe)) {}

void DeviceBroadcasts::present(const std::string& interfacePath) {
    UdevFacts facts = usbFacts("", interfacePath);
    facts.productAttribute = describe_ ? describe_(interfacePath) : std::string();
    identities_.present(facts);
}

std::optional<DeviceEvent> DeviceBroadcasts::event(WPARAM change, LPARAM data) {
    const char* action = change == DBT_DEVICEARRIVAL          ? "add"
                         : change == DBT_DEVICEREMOVECOMPLETE ? "remove"
                                                              : nullptr;
    const auto* header = reinterpret_cast<const DEV_BROADCAST_HDR*>(data);
    if (action == nullptr || header == nullptr || header->dbch_size < sizeof(DEV_BROADCAST_HDR)) {
        return std::nullopt;
    }
    if (header->dbch_devicetype == DBT_DEVTYP_PORT) {
        const std::string name = utf8(nameIn(header, offsetof(DEV_BROADCAST_PORT_W, dbcp_name)));
        if (name.empty()) {
            return std::nullopt;
        }
        UdevFacts facts;
        facts.action = action;
        facts.subsystem = "tty";
        facts.sysname = name;
        facts.devpath = upper(name);
        return identities_.event(facts);
    }
    if (header->dbch_devicetype != DBT_DEVTYP_DEVICEINTERFACE ||
        header->dbch_size < offsetof(DEV_BROADCAST_DEVICEINTERFACE_W, dbcc_name)) {
        return std::nullopt;
    }
    const auto* device = reinterpret_cast<const DEV_BROADCAST_DEVICEINTERFACE_W*>(header);
    if (!IsEqualGUID(device->dbcc_classguid, kUsbDeviceInterface)) {
        return std::nullopt;
    }
    const std::string path =
        utf8(nameIn(header, offsetof(DEV_BROADCAST_DEVICEINTERFACE_W, dbcc_name)));
    if (path.empty()) {
        return std::nullopt;
    }
    UdevFacts facts = usbFacts(action, path);
    if (change == DBT_DEVICEARRIVAL && describe_) {
        facts.productAttribute = describe_(path);
    }
    return identities_.event(facts);
}

std::string busReportedDescription(const std::string& interfacePath) {
    HDEVINFO devices = ::SetupDiCreateDeviceInfoList(nullptr, nullptr);
    if (devices == INVALID_HANDLE_VALUE) {
        return {};
    }
    std::string description;
    SP_DEVICE_INTERFACE_DATA interface {};
    interface.cbSize = sizeof interface;
    SP_DEVINFO_DATA device{};
    device.cbSize = sizeof device;
    if (::SetupDiOpenDeviceInterfaceW(devices, wide(interfacePath).c_str(), 0, &interface) &&
        // Fails for want of the detail's buffer, but tells the device.
        (::SetupDiGetDeviceInterfaceDetailW(devices, &interface, nullptr, 0, nullptr, &device) ||
         ::GetLastError() == ERROR_INSUFFICIENT_BUFFER)) {
        wchar_t text[256] = {};
        DEVPROPTYPE type = 0;
        if (::SetupDiGetDevicePropertyW(devices, &device, &DEVPKEY_Device_BusReportedDeviceDesc,
                                        &type, reinterpret_cast<BYTE*>(text), sizeof text - 2,
                                        nullptr, 0) &&
            type == DEVPROP_TYPE_STRING) {
            description = utf8(text);
        }
    }
    ::SetupDiDestroyDeviceInfoList(devices);
    return description;
}

std::vector<std::string> presentUsbDevices() {
    std::vector<std::string> paths;
    HDEVINFO devices = ::SetupDiGetClassDevsW(&kUsbDeviceInterface, nullptr, nullptr,
                                              DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
    if (devices == INVALID_HANDLE_VALUE) {
        return paths;
    }
    SP_DEVICE_INTERFACE_DATA interface {};
    interface.cbSize = sizeof interface;
    for (DWORD index = 0;
         ::SetupDiEnumDeviceInterfaces(devices, nullptr, &kUsbDeviceInterface, index, &interface);
         ++index) {
        DWORD size = 0;
        ::SetupDiGetDeviceInterfaceDetailW(devices, &interface, nullptr, 0, &size, nullptr);
        if (size < sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W)) {
            continue;
        }
        std::vector<unsigned char> buffer(size);
        auto* detail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_W*>(buffer.data());
        detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W);
        if (::SetupDiGetDeviceInterfaceDetailW(devices, &interface, detail, size, nullptr,
                                               nullptr)) {
            paths.push_back(utf8(detail->DevicePath));
        }
    }
    ::SetupDiDestroyDeviceInfoList(devices);
    return paths;
}

}  // namespace vn340
