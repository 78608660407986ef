// The D2XX library loaded with LoadLibraryW, and the Win32 event it sets; the only file that
// knows either on Windows.

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <mutex>

#include "base/wide_text.h"
#include "link/d2xx_abi_windows.h"
#include "link/d2xx_library.h"

namespace vn340 {
namespace {

using namespace d2xx;

// The loader takes only backslashes in a path; a bare name is looked for the usual way (the
// program's folder first).
std::wstring loaderName(const std::string& nameOrPath) {
    std::wstring name = wide(nameOrPath);
    std::replace(name.begin(), name.end(), L'/', L'\\');
    return name;
}

std::string systemMessage(DWORD error) {
    char* text = nullptr;
    const DWORD length = ::FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, error, 0, reinterpret_cast<char*>(&text), 0, nullptr);
    std::string message = length > 0 ? std::string(text, length) : std::string();
    ::LocalFree(text);
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r' ||
                                message.back() == ' ' || message.back() == '.'))
        message.pop_back();
    return message.empty() ? "error " + std::to_string(error) : message;
}

// The errno value of a library the loader could not load: none there (ENOENT), or one that is
// there but cannot be loaded (ENOEXEC: another architecture, a missing dependency).
int loadErrno(DWORD error) {
    return error == ERROR_MOD_NOT_FOUND || error == ERROR_FILE_NOT_FOUND ||
                   error == ERROR_PATH_NOT_FOUND
               ? ENOENT
               : ENOEXEC;
}

// Waits are given in whole milliseconds, below INFINITE.
DWORD waitMilliseconds(std::chrono::milliseconds limit) {
    const auto count = std::clamp<std::chrono::milliseconds::rep>(limit.count(), 0, INFINITE - 1);
    return static_cast<DWORD>(count);
}

class WindowsD2xxLibrary final : public D2xxLibrary {
  public:
    explicit WindowsD2xxLibrary(std::string nameOrPath)
        : name_(std::move(nameOrPath)),
          // Manual reset: a wait clears it first, so a set that comes before the wait is kept.
          event_(::CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}

    // The owner closes the device before it lets go of the library, so nothing sets the event
    // any more.
    ~WindowsD2xxLibrary() override {
        unload();
        if (event_ != nullptr)
            ::CloseHandle(event_);
    }

    SysResult load() override {
        if (module_ != nullptr)
            return {};
        if (event_ == nullptr)
            return SysResult::failure(ENOMEM,
                                      "load " + name_ + ": " + systemMessage(::GetLastError()));
        // No box of the system's about a library or a disk that is not there: the caller tells.
        const UINT oldMode = ::SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
        module_ = ::LoadLibraryW(loaderName(name_).c_str());
        const DWORD error = ::GetLastError();
        ::SetErrorMode(oldMode);
        if (module_ == nullptr)
            return SysResult::failure(loadErrno(error),
                                      "load " + name_ + ": " + systemMessage(error));
        auto bind = [this](D2xxEntry entry) {
            const std::string name(d2xxEntryName(entry));
            entries_[static_cast<std::size_t>(entry)] = ::GetProcAddress(module_, name.c_str());
        };
        for (D2xxEntry entry : kD2xxEntries)
            bind(entry);
        for (D2xxEntry entry : kD2xxOptionalEntries)
            bind(entry);
        return {};
    }

    void unload() override {
        entries_.fill(nullptr);
        if (module_ != nullptr)
            ::FreeLibrary(module_);
        module_ = nullptr;
    }

    bool has(D2xxEntry entry) const override { return address(entry) != nullptr; }

    FtStatus openEx(const std::string& description, Dword flags, FtHandle* handle) override {
        std::string argument = description;
        return call<FT_OpenEx_w>(D2xxEntry::OpenEx, argument.data(), flags, handle);
    }
    FtStatus close(FtHandle handle) override { return call<FT_Close_w>(D2xxEntry::Close, handle); }
    FtStatus setBaudRate(FtHandle handle, Ulong baud) override {
        return call<FT_SetBaudRate_w>(D2xxEntry::SetBaudRate, handle, baud);
    }
    FtStatus write(FtHandle handle, const void* bytes, Dword count, Dword* written) override {
        // The library takes the bytes without const; it does not change them.
        return call<FT_Write_w>(D2xxEntry::Write, handle, const_cast<void*>(bytes), count, written);
    }
    FtStatus read(FtHandle handle, void* bytes, Dword count, Dword* got) override {
        return call<FT_Read_w>(D2xxEntry::Read, handle, bytes, count, got);
    }
    FtStatus getStatus(FtHandle handle, Dword* rxBytes, Dword* txBytes,
                       Dword* eventStatus) override {
        return call<FT_GetStatus_w>(D2xxEntry::GetStatus, handle, rxBytes, txBytes, eventStatus);
    }
    FtStatus getQueueStatus(FtHandle handle, Dword* rxBytes) override {
        return call<FT_GetQueueStatus_w>(D2xxEntry::GetQueueStatus, handle, rxBytes);
    }
    FtStatus setLatencyTimer(FtHandle handle, Uchar milliseconds) override {
        return call<FT_SetLatencyTimer_w>(D2xxEntry::SetLatencyTimer, handle, milliseconds);
    }

    FtStatus setEventNotification(FtHandle handle, Dword mask) override {
        woken_.store(false);
        return call<FT_SetEventNotification_w>(D2xxEntry::SetEventNotification, handle, mask,
                                               static_cast<void*>(event_));
    }

    // The event keeps a set until it is cleared, so clearing it before `ready` is asked is
    // enough: a set after the clear ends the wait, and what the library queued before the clear
    // is what `ready` sees. A wake-up is told by woken_, read after the event ends the wait.
    bool waitEvent(std::chrono::milliseconds limit, const std::function<bool()>& ready) override {
        ::ResetEvent(event_);
        bool signalled = woken_.exchange(false) || (ready && ready());
        if (!signalled)
            signalled = ::WaitForSingleObject(event_, waitMilliseconds(limit)) == WAIT_OBJECT_0;
        return woken_.exchange(false) || signalled;
    }

    void wakeEvent() override {
        woken_.store(true);
        ::SetEvent(event_);
    }

  private:
    FARPROC address(D2xxEntry entry) const { return entries_[static_cast<std::size_t>(entry)]; }

    template <typename Function, typename... Args>
    FtStatus call(D2xxEntry entry, Args... args) {
        FARPROC found = address(entry);
        if (found == nullptr)
            return kFtInvalidHandle;
        static_assert(sizeof(Function) == sizeof(FARPROC));
        Function function;
        std::memcpy(&function, &found, sizeof found);
        return function(args...);
    }

    std::string name_;
    HMODULE module_ = nullptr;
    std::array<FARPROC, kD2xxEntryCount> entries_{};
    // Given to the library by FT_SetEventNotification; lives as long as this object.
    HANDLE event_;
    std::atomic<bool> woken_{false};
};

}  // namespace

const std::string_view kDefaultD2xxLibrary = "ftd2xx.dll";

std::unique_ptr<D2xxLibrary> loadableD2xxLibrary(std::string nameOrPath) {
    return std::make_unique<WindowsD2xxLibrary>(std::move(nameOrPath));
}

}  // namespace vn340
