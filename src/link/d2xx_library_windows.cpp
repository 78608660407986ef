// The D2XX library loaded with LoadLibraryW, and the Win32 event it sets; the only file that
// knows either on Windows.

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <mutex>

#include "base/wide_text.h"
#include "link/d2xx_abi_windows.h"
#include "link/d2xx_library.h"
#include "link/d2xx_library_loaded.h"

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
                                message.back() == ' ' || message.back() == '.')) {
        message.pop_back();
    }
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

struct WindowsCalls {
    using OpenEx = FT_OpenEx_w;
    using Close = FT_Close_w;
    using SetBaudRate = FT_SetBaudRate_w;
    using Write = FT_Write_w;
    using Read = FT_Read_w;
    using GetStatus = FT_GetStatus_w;
    using GetQueueStatus = FT_GetQueueStatus_w;
    using SetLatencyTimer = FT_SetLatencyTimer_w;
    using SetEventNotification = FT_SetEventNotification_w;
};

class WindowsD2xxLibrary final : public LoadedD2xxLibrary<WindowsCalls> {
  public:
    explicit WindowsD2xxLibrary(std::string nameOrPath)
        : LoadedD2xxLibrary(std::move(nameOrPath)),
          // Manual reset: a wait clears it first, so a set that comes before the wait is kept.
          event_(::CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}

    // The owner closes the device before it lets go of the library, so nothing sets the event
    // any more.
    ~WindowsD2xxLibrary() override {
        unload();
        if (event_ != nullptr) {
            ::CloseHandle(event_);
        }
    }

    FtStatus setEventNotification(FtHandle handle, Dword mask) override {
        woken_.store(false);
        return notify(handle, mask, static_cast<void*>(event_));
    }

    // The event keeps a set until it is cleared, so clearing it before `ready` is asked is
    // enough: a set after the clear ends the wait, and what the library queued before the clear
    // is what `ready` sees. A wake-up is told by woken_, read after the event ends the wait.
    bool waitEvent(std::chrono::milliseconds limit, const std::function<bool()>& ready) override {
        ::ResetEvent(event_);
        bool signalled = woken_.exchange(false) || (ready && ready());
        if (!signalled) {
            signalled = ::WaitForSingleObject(event_, waitMilliseconds(limit)) == WAIT_OBJECT_0;
        }
        return woken_.exchange(false) || signalled;
    }

    void wakeEvent() override {
        woken_.store(true);
        ::SetEvent(event_);
    }

  private:
    bool libraryLoaded() const override { return module_ != nullptr; }

    SysResult loadLibrary() override {
        if (event_ == nullptr) {
            return SysResult::failure(ENOMEM,
                                      "load " + name() + ": " + systemMessage(::GetLastError()));
        }
        // No box of the system's about a library or a disk that is not there: the caller tells.
        const UINT oldMode = ::SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
        module_ = ::LoadLibraryW(loaderName(name()).c_str());
        const DWORD error = ::GetLastError();
        ::SetErrorMode(oldMode);
        if (module_ == nullptr) {
            return SysResult::failure(loadErrno(error),
                                      "load " + name() + ": " + systemMessage(error));
        }
        return {};
    }

    D2xxSymbol findSymbol(const std::string& symbol) const override {
        return reinterpret_cast<D2xxSymbol>(::GetProcAddress(module_, symbol.c_str()));
    }

    void releaseLibrary() override {
        if (module_ != nullptr) {
            ::FreeLibrary(module_);
        }
        module_ = nullptr;
    }

    HMODULE module_ = nullptr;
    // Given to the library by FT_SetEventNotification; lives as long as this object.
    HANDLE event_;
    std::atomic<bool> woken_{false};
};

}  // namespace

std::unique_ptr<D2xxLibrary> loadableD2xxLibrary(std::string nameOrPath) {
    return std::make_unique<WindowsD2xxLibrary>(std::move(nameOrPath));
}

}  // namespace vn340
