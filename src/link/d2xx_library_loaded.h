#pragma once

// What the two loaders of the D2XX library share: once the library is loaded, each entry point
// is looked up by its name, and each call goes through its entry point, or is answered "invalid
// handle" when the library lacks it. A system's loader adds only its own few calls: loading
// and releasing the library, finding a name in it, and the event the library signals.
// Included by the loaders alone (d2xx_library_dl.cpp, d2xx_library_windows.cpp).

#include <array>
#include <cstddef>
#include <string>
#include <utility>

#include "link/d2xx_library.h"

namespace vn340 {

// An entry point's address as the loader finds it, called only once cast back to its own type.
using D2xxSymbol = void (*)();

// `Calls` names the type of each entry point called, in the system's calling convention:
// OpenEx, Close, SetBaudRate, Write, Read, GetStatus, GetQueueStatus, SetLatencyTimer and
// SetEventNotification.
template <typename Calls>
class LoadedD2xxLibrary : public D2xxLibrary {
  public:
    SysResult load() final {
        if (libraryLoaded()) {
            return {};
        }
        if (SysResult loaded = loadLibrary(); !loaded) {
            return loaded;
        }
        for (D2xxEntry entry : kD2xxEntries) {
            bind(entry);
        }
        for (D2xxEntry entry : kD2xxOptionalEntries) {
            bind(entry);
        }
        return {};
    }

    // Called by the loader's own destructor too, while its side is still there.
    void unload() final {
        entries_.fill(nullptr);
        releaseLibrary();
    }

    bool has(D2xxEntry entry) const final { return address(entry) != nullptr; }

    d2xx::FtStatus openEx(const std::string& description, d2xx::Dword flags,
                          d2xx::FtHandle* handle) final {
        std::string argument = description;
        return call<typename Calls::OpenEx>(D2xxEntry::OpenEx, argument.data(), flags, handle);
    }
    d2xx::FtStatus close(d2xx::FtHandle handle) final {
        return call<typename Calls::Close>(D2xxEntry::Close, handle);
    }
    d2xx::FtStatus setBaudRate(d2xx::FtHandle handle, d2xx::Ulong baud) final {
        return call<typename Calls::SetBaudRate>(D2xxEntry::SetBaudRate, handle, baud);
    }
    d2xx::FtStatus write(d2xx::FtHandle handle, const void* bytes, d2xx::Dword count,
                         d2xx::Dword* written) final {
        // The library takes the bytes without const; it does not change them.
        return call<typename Calls::Write>(D2xxEntry::Write, handle, const_cast<void*>(bytes),
                                           count, written);
    }
    d2xx::FtStatus read(d2xx::FtHandle handle, void* bytes, d2xx::Dword count,
                        d2xx::Dword* got) final {
        return call<typename Calls::Read>(D2xxEntry::Read, handle, bytes, count, got);
    }
    d2xx::FtStatus getStatus(d2xx::FtHandle handle, d2xx::Dword* rxBytes, d2xx::Dword* txBytes,
                             d2xx::Dword* eventStatus) final {
        return call<typename Calls::GetStatus>(D2xxEntry::GetStatus, handle, rxBytes, txBytes,
                                               eventStatus);
    }
    d2xx::FtStatus getQueueStatus(d2xx::FtHandle handle, d2xx::Dword* rxBytes) final {
        return call<typename Calls::GetQueueStatus>(D2xxEntry::GetQueueStatus, handle, rxBytes);
    }
    d2xx::FtStatus setLatencyTimer(d2xx::FtHandle handle, d2xx::Uchar milliseconds) final {
        return call<typename Calls::SetLatencyTimer>(D2xxEntry::SetLatencyTimer, handle,
                                                     milliseconds);
    }

  protected:
    explicit LoadedD2xxLibrary(std::string nameOrPath) : name_(std::move(nameOrPath)) {}

    // The library's name or path, as the loader was given it.
    const std::string& name() const { return name_; }

    // Has the library signal `event`, the system's own, on the events of the mask.
    d2xx::FtStatus notify(d2xx::FtHandle handle, d2xx::Dword mask, void* event) {
        return call<typename Calls::SetEventNotification>(D2xxEntry::SetEventNotification, handle,
                                                          mask, event);
    }

    // The system's side.
    virtual bool libraryLoaded() const = 0;
    // Fails with "load <name>: <the system's reason>".
    virtual SysResult loadLibrary() = 0;
    // Null when the loaded library has no such name.
    virtual D2xxSymbol findSymbol(const std::string& symbol) const = 0;
    // Does nothing when no library is loaded.
    virtual void releaseLibrary() = 0;

  private:
    void bind(D2xxEntry entry) {
        entries_[static_cast<std::size_t>(entry)] = findSymbol(std::string(d2xxEntryName(entry)));
    }

    D2xxSymbol address(D2xxEntry entry) const { return entries_[static_cast<std::size_t>(entry)]; }

    template <typename Function, typename... Args>
    d2xx::FtStatus call(D2xxEntry entry, Args... args) {
        const D2xxSymbol found = address(entry);
        if (found == nullptr) {
            return d2xx::kFtInvalidHandle;
        }
        return reinterpret_cast<Function>(found)(args...);
    }

    std::string name_;
    std::array<D2xxSymbol, kD2xxEntryCount> entries_{};
};

}  // namespace vn340
