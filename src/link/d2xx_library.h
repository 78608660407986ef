#pragma once

// The vendor's D2XX library as the USB adapter sees it: loaded when it is needed, its entry
// points looked up by name, and an event that the library signals when something arrives.
// The real one loads the shared library (d2xx_library_dl.cpp, d2xx_library_windows.cpp); a test's
// double can lack any entry point or fail any call.

#include <array>
#include <cerrno>
#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "base/sys_result.h"
#include "link/d2xx_types.h"

namespace vn340 {

// The vendor's library by the name the system's loader finds it by. The browser loads none.
#ifdef _WIN32
inline constexpr std::string_view kDefaultD2xxLibrary = "ftd2xx.dll";
#else
inline constexpr std::string_view kDefaultD2xxLibrary = "libftd2xx.so";
#endif

// Why the library cannot serve: it cannot be loaded, or an entry point it must have is missing.
// Numbers every system's C library has, Windows' too.
inline constexpr int kErrLibraryMissing = ENOENT;
inline constexpr int kErrLibraryIncomplete = ENOEXEC;

// The entry points the adapter binds, in the order it binds them.
enum class D2xxEntry {
    Write,
    Read,
    Open,
    OpenEx,
    ListDevices,
    Close,
    ResetDevice,
    Purge,
    SetTimeouts,
    GetQueueStatus,
    SetBaudRate,
    SetEventNotification,
    GetStatus,
    ClrRts,
    // Optional: a library without it still works.
    SetLatencyTimer,
};

// The entry points the library must have, in the order they are bound.
inline constexpr std::array<D2xxEntry, 14> kD2xxEntries = {
    D2xxEntry::Write,          D2xxEntry::Read,        D2xxEntry::Open,
    D2xxEntry::OpenEx,         D2xxEntry::ListDevices, D2xxEntry::Close,
    D2xxEntry::ResetDevice,    D2xxEntry::Purge,       D2xxEntry::SetTimeouts,
    D2xxEntry::GetQueueStatus, D2xxEntry::SetBaudRate, D2xxEntry::SetEventNotification,
    D2xxEntry::GetStatus,      D2xxEntry::ClrRts,
};
// Those bound when the library has them.
inline constexpr std::array<D2xxEntry, 1> kD2xxOptionalEntries = {D2xxEntry::SetLatencyTimer};
inline constexpr std::size_t kD2xxEntryCount = kD2xxEntries.size() + kD2xxOptionalEntries.size();

// The name the library exports it by.
constexpr std::string_view d2xxEntryName(D2xxEntry entry) {
    switch (entry) {
        case D2xxEntry::Write:
            return "FT_Write";
        case D2xxEntry::Read:
            return "FT_Read";
        case D2xxEntry::Open:
            return "FT_Open";
        case D2xxEntry::OpenEx:
            return "FT_OpenEx";
        case D2xxEntry::ListDevices:
            return "FT_ListDevices";
        case D2xxEntry::Close:
            return "FT_Close";
        case D2xxEntry::ResetDevice:
            return "FT_ResetDevice";
        case D2xxEntry::Purge:
            return "FT_Purge";
        case D2xxEntry::SetTimeouts:
            return "FT_SetTimeouts";
        case D2xxEntry::GetQueueStatus:
            return "FT_GetQueueStatus";
        case D2xxEntry::SetBaudRate:
            return "FT_SetBaudRate";
        case D2xxEntry::SetEventNotification:
            return "FT_SetEventNotification";
        case D2xxEntry::GetStatus:
            return "FT_GetStatus";
        case D2xxEntry::ClrRts:
            return "FT_ClrRts";
        case D2xxEntry::SetLatencyTimer:
            return "FT_SetLatencyTimer";
    }
    return {};
}

class D2xxLibrary {
  public:
    virtual ~D2xxLibrary() = default;

    // Loads the library and looks up every entry point; fails only when the library itself
    // cannot be loaded. Loading a loaded library does nothing.
    virtual SysResult load() = 0;
    // Releases the library; has() is false for every entry point afterwards.
    virtual void unload() = 0;
    virtual bool has(D2xxEntry entry) const = 0;

    // The calls, each only while its entry point is there.
    virtual d2xx::FtStatus openEx(const std::string& description, d2xx::Dword flags,
                                  d2xx::FtHandle* handle) = 0;
    virtual d2xx::FtStatus close(d2xx::FtHandle handle) = 0;
    virtual d2xx::FtStatus setBaudRate(d2xx::FtHandle handle, d2xx::Ulong baud) = 0;
    virtual d2xx::FtStatus write(d2xx::FtHandle handle, const void* bytes, d2xx::Dword count,
                                 d2xx::Dword* written) = 0;
    virtual d2xx::FtStatus read(d2xx::FtHandle handle, void* bytes, d2xx::Dword count,
                                d2xx::Dword* got) = 0;
    virtual d2xx::FtStatus getStatus(d2xx::FtHandle handle, d2xx::Dword* rxBytes,
                                     d2xx::Dword* txBytes, d2xx::Dword* eventStatus) = 0;
    virtual d2xx::FtStatus getQueueStatus(d2xx::FtHandle handle, d2xx::Dword* rxBytes) = 0;
    virtual d2xx::FtStatus setLatencyTimer(d2xx::FtHandle handle, d2xx::Uchar milliseconds) = 0;

    // Has the library signal this object's event on the events of the mask, from its own
    // thread, until the device is closed.
    virtual d2xx::FtStatus setEventNotification(d2xx::FtHandle handle, d2xx::Dword mask) = 0;
    // Waits up to `limit` for the event. `ready` is asked first, under the event's lock, which
    // the library holds to signal: when it holds, or when wakeEvent() was called since the
    // last wait (a wake-up is never lost, whenever it comes), the wait ends at once. True
    // then, or when the event was signalled; false when the limit passed.
    virtual bool waitEvent(std::chrono::milliseconds limit, const std::function<bool()>& ready) = 0;
    virtual void wakeEvent() = 0;
};

// The shared library by name (looked up the usual way) or by path.
std::unique_ptr<D2xxLibrary> loadableD2xxLibrary(std::string nameOrPath);

}  // namespace vn340
