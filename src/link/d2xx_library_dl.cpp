// The D2XX library loaded with dlopen(), and the condition variable it signals; the only file
// that knows either.

#include <dlfcn.h>
#include <pthread.h>
#include <time.h>

#include <cerrno>
#include <cstring>

#include "link/d2xx_abi.h"
#include "link/d2xx_library.h"

namespace vn340 {
namespace {

using namespace d2xx;

class DlD2xxLibrary final : public D2xxLibrary {
  public:
    explicit DlD2xxLibrary(std::string nameOrPath) : name_(std::move(nameOrPath)) {
        pthread_condattr_t attributes;
        pthread_condattr_init(&attributes);
        pthread_condattr_setclock(&attributes, CLOCK_MONOTONIC);
        pthread_cond_init(&event_.eCondVar, &attributes);
        pthread_condattr_destroy(&attributes);
        pthread_mutex_init(&event_.eMutex, nullptr);
        event_.iVar = 0;
    }

    // The owner closes the device before it lets go of the library, so nothing signals the
    // event any more.
    ~DlD2xxLibrary() override {
        unload();
        pthread_cond_destroy(&event_.eCondVar);
        pthread_mutex_destroy(&event_.eMutex);
    }

    SysResult load() override {
        if (handle_ != nullptr)
            return {};
        handle_ = ::dlopen(name_.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (handle_ == nullptr) {
            const char* why = ::dlerror();
            return SysResult::failure(kErrLibraryMissing,
                                      "load " + name_ + ": " + (why ? why : "not found"));
        }
        auto bind = [this](D2xxEntry entry) {
            const std::string name(d2xxEntryName(entry));
            entries_[static_cast<std::size_t>(entry)] = ::dlsym(handle_, name.c_str());
        };
        for (D2xxEntry entry : kD2xxEntries)
            bind(entry);
        for (D2xxEntry entry : kD2xxOptionalEntries)
            bind(entry);
        return {};
    }

    void unload() override {
        entries_.fill(nullptr);
        if (handle_ != nullptr)
            ::dlclose(handle_);
        handle_ = nullptr;
    }

    bool has(D2xxEntry entry) const override { return address(entry) != nullptr; }

    FtStatus openEx(const std::string& description, Dword flags, FtHandle* handle) override {
        std::string argument = description;
        return call<FT_OpenEx_t>(D2xxEntry::OpenEx, argument.data(), flags, handle);
    }
    FtStatus close(FtHandle handle) override { return call<FT_Close_t>(D2xxEntry::Close, handle); }
    FtStatus setBaudRate(FtHandle handle, Ulong baud) override {
        return call<FT_SetBaudRate_t>(D2xxEntry::SetBaudRate, handle, baud);
    }
    FtStatus write(FtHandle handle, const void* bytes, Dword count, Dword* written) override {
        // The library takes the bytes without const; it does not change them.
        return call<FT_Write_t>(D2xxEntry::Write, handle, const_cast<void*>(bytes), count, written);
    }
    FtStatus read(FtHandle handle, void* bytes, Dword count, Dword* got) override {
        return call<FT_Read_t>(D2xxEntry::Read, handle, bytes, count, got);
    }
    FtStatus getStatus(FtHandle handle, Dword* rxBytes, Dword* txBytes,
                       Dword* eventStatus) override {
        return call<FT_GetStatus_t>(D2xxEntry::GetStatus, handle, rxBytes, txBytes, eventStatus);
    }
    FtStatus getQueueStatus(FtHandle handle, Dword* rxBytes) override {
        return call<FT_GetQueueStatus_t>(D2xxEntry::GetQueueStatus, handle, rxBytes);
    }
    FtStatus setLatencyTimer(FtHandle handle, Uchar milliseconds) override {
        return call<FT_SetLatencyTimer_t>(D2xxEntry::SetLatencyTimer, handle, milliseconds);
    }

    FtStatus setEventNotification(FtHandle handle, Dword mask) override {
        pthread_mutex_lock(&event_.eMutex);
        woken_ = false;
        pthread_mutex_unlock(&event_.eMutex);
        return call<FT_SetEventNotification_t>(D2xxEntry::SetEventNotification, handle, mask,
                                               static_cast<void*>(&event_));
    }

    bool waitEvent(std::chrono::milliseconds limit, const std::function<bool()>& ready) override {
        timespec deadline{};
        clock_gettime(CLOCK_MONOTONIC, &deadline);
        const auto nanoseconds = std::chrono::duration_cast<std::chrono::nanoseconds>(limit);
        deadline.tv_sec += static_cast<time_t>(nanoseconds.count() / 1'000'000'000);
        deadline.tv_nsec += static_cast<long>(nanoseconds.count() % 1'000'000'000);
        if (deadline.tv_nsec >= 1'000'000'000L) {
            deadline.tv_sec += 1;
            deadline.tv_nsec -= 1'000'000'000L;
        }
        pthread_mutex_lock(&event_.eMutex);
        // Looked at under the event's mutex: neither a wake-up nor a signal of the library can
        // fall between this test and the wait.
        bool signalled = woken_ || (ready && ready());
        if (!signalled)
            signalled = pthread_cond_timedwait(&event_.eCondVar, &event_.eMutex, &deadline) == 0;
        signalled = signalled || woken_;
        woken_ = false;
        pthread_mutex_unlock(&event_.eMutex);
        return signalled;
    }

    void wakeEvent() override {
        pthread_mutex_lock(&event_.eMutex);
        woken_ = true;
        pthread_cond_broadcast(&event_.eCondVar);
        pthread_mutex_unlock(&event_.eMutex);
    }

  private:
    void* address(D2xxEntry entry) const { return entries_[static_cast<std::size_t>(entry)]; }

    template <typename Function, typename... Args>
    FtStatus call(D2xxEntry entry, Args... args) {
        void* found = address(entry);
        if (found == nullptr)
            return kFtInvalidHandle;
        static_assert(sizeof(Function) == sizeof(void*));
        Function function;
        std::memcpy(&function, &found, sizeof found);
        return function(args...);
    }

    std::string name_;
    void* handle_ = nullptr;
    std::array<void*, kD2xxEntryCount> entries_{};
    // Given to the library by FT_SetEventNotification; lives as long as this object.
    EventHandle event_{};
    bool woken_ = false;
};

}  // namespace

const std::string_view kDefaultD2xxLibrary = "libftd2xx.so";

std::unique_ptr<D2xxLibrary> loadableD2xxLibrary(std::string nameOrPath) {
    return std::make_unique<DlD2xxLibrary>(std::move(nameOrPath));
}

}  // namespace vn340
