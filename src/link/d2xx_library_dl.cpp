// The D2XX library loaded with dlopen(), and the condition variable it signals; the only file
// that knows either.

#include <dlfcn.h>
#include <pthread.h>
#include <time.h>

#include <cstring>

#include "link/d2xx_abi.h"
#include "link/d2xx_library.h"
#include "link/d2xx_library_loaded.h"

namespace vn340 {
namespace {

using namespace d2xx;

struct DlCalls {
    using OpenEx = FT_OpenEx_t;
    using Close = FT_Close_t;
    using SetBaudRate = FT_SetBaudRate_t;
    using Write = FT_Write_t;
    using Read = FT_Read_t;
    using GetStatus = FT_GetStatus_t;
    using GetQueueStatus = FT_GetQueueStatus_t;
    using SetLatencyTimer = FT_SetLatencyTimer_t;
    using SetEventNotification = FT_SetEventNotification_t;
};

class DlD2xxLibrary final : public LoadedD2xxLibrary<DlCalls> {
  public:
    explicit DlD2xxLibrary(std::string nameOrPath) : LoadedD2xxLibrary(std::move(nameOrPath)) {
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

    FtStatus setEventNotification(FtHandle handle, Dword mask) override {
        pthread_mutex_lock(&event_.eMutex);
        woken_ = false;
        pthread_mutex_unlock(&event_.eMutex);
        return notify(handle, mask, static_cast<void*>(&event_));
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
        if (!signalled) {
            signalled = pthread_cond_timedwait(&event_.eCondVar, &event_.eMutex, &deadline) == 0;
        }
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
    bool libraryLoaded() const override { return handle_ != nullptr; }

    SysResult loadLibrary() override {
        handle_ = ::dlopen(name().c_str(), RTLD_NOW | RTLD_LOCAL);
        if (handle_ != nullptr) {
            return {};
        }
        const char* why = ::dlerror();
        return SysResult::failure(kErrLibraryMissing,
                                  "load " + name() + ": " + (why ? why : "not found"));
    }

    D2xxSymbol findSymbol(const std::string& symbol) const override {
        void* found = ::dlsym(handle_, symbol.c_str());
        // dlsym() gives a function's address as an object pointer of the same size.
        static_assert(sizeof(D2xxSymbol) == sizeof found);
        D2xxSymbol function;
        std::memcpy(&function, &found, sizeof found);
        return function;
    }

    void releaseLibrary() override {
        if (handle_ != nullptr) {
            ::dlclose(handle_);
        }
        handle_ = nullptr;
    }

    void* handle_ = nullptr;
    // Given to the library by FT_SetEventNotification; lives as long as this object.
    EventHandle event_{};
    bool woken_ = false;
};

}  // namespace

std::unique_ptr<D2xxLibrary> loadableD2xxLibrary(std::string nameOrPath) {
    return std::make_unique<DlD2xxLibrary>(std::move(nameOrPath));
}

}  // namespace vn340
