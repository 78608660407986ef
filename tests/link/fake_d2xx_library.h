#pragma once

// A D2XX library made to order: it can be missing altogether, lack any entry point, or fail
// any call, and its one device receives what the test puts on the line. Thread-safe, since
// the adapter's notification thread calls it too.

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <set>
#include <string>

#include "link/d2xx_library.h"

namespace vn340::test {

class FakeD2xxLibrary : public D2xxLibrary {
    template <typename F>
    auto locked(F f) const {
        std::lock_guard lock(mutex_);
        return f();
    }

  public:
    using FtStatus = d2xx::FtStatus;
    using Dword = d2xx::Dword;

    // What the library is like.
    bool loadable = true;
    std::set<D2xxEntry> missing;
    FtStatus openStatus = d2xx::kFtOk;
    FtStatus baudStatus = d2xx::kFtOk;
    FtStatus notificationStatus = d2xx::kFtOk;

    // What was done to it.
    bool loaded() const {
        return locked([&] { return loaded_; });
    }
    bool deviceOpen() const {
        return locked([&] { return deviceOpen_; });
    }
    std::string openedDescription() const {
        return locked([&] { return description_; });
    }
    Dword openedFlags() const {
        return locked([&] { return flags_; });
    }
    d2xx::Ulong baud() const {
        return locked([&] { return baud_; });
    }
    std::string written() const {
        return locked([&] { return written_; });
    }

    // The device sends these bytes: they wait to be read and the event is signalled.
    void arrive(const std::string& bytes) {
        std::lock_guard lock(mutex_);
        received_ += bytes;
        eventStatus_ |= d2xx::kFtEventRxChar;
        signalled_ = true;
        event_.notify_all();
    }

    SysResult load() override {
        std::lock_guard lock(mutex_);
        if (!loadable)
            return SysResult::failure(ELIBACC, "no such library");
        loaded_ = true;
        return {};
    }
    void unload() override {
        std::lock_guard lock(mutex_);
        loaded_ = false;
    }
    bool has(D2xxEntry entry) const override {
        return locked([&] { return loaded_ && missing.count(entry) == 0; });
    }

    FtStatus openEx(const std::string& description, Dword flags, d2xx::FtHandle* handle) override {
        std::lock_guard lock(mutex_);
        description_ = description;
        flags_ = flags;
        if (openStatus != d2xx::kFtOk)
            return openStatus;
        deviceOpen_ = true;
        *handle = this;
        return d2xx::kFtOk;
    }
    FtStatus close(d2xx::FtHandle) override {
        std::lock_guard lock(mutex_);
        deviceOpen_ = false;
        return d2xx::kFtOk;
    }
    FtStatus setBaudRate(d2xx::FtHandle, d2xx::Ulong baud) override {
        std::lock_guard lock(mutex_);
        baud_ = baud;
        return baudStatus;
    }
    FtStatus write(d2xx::FtHandle, const void* bytes, Dword count, Dword* written) override {
        std::lock_guard lock(mutex_);
        written_.append(static_cast<const char*>(bytes), count);
        *written = count;
        return d2xx::kFtOk;
    }
    FtStatus read(d2xx::FtHandle, void* bytes, Dword count, Dword* got) override {
        std::lock_guard lock(mutex_);
        *got = std::min<Dword>(count, static_cast<Dword>(received_.size()));
        received_.copy(static_cast<char*>(bytes), *got);
        received_.erase(0, *got);
        return d2xx::kFtOk;
    }
    FtStatus getStatus(d2xx::FtHandle, Dword* rxBytes, Dword* txBytes,
                       Dword* eventStatus) override {
        std::lock_guard lock(mutex_);
        *rxBytes = static_cast<Dword>(received_.size());
        *txBytes = 0;
        *eventStatus = eventStatus_;
        eventStatus_ = 0;
        return d2xx::kFtOk;
    }
    FtStatus getQueueStatus(d2xx::FtHandle, Dword* rxBytes) override {
        std::lock_guard lock(mutex_);
        *rxBytes = static_cast<Dword>(received_.size());
        return d2xx::kFtOk;
    }
    FtStatus setEventNotification(d2xx::FtHandle, Dword) override { return notificationStatus; }
    bool waitEvent(std::chrono::milliseconds limit) override {
        std::unique_lock lock(mutex_);
        const bool signalled = event_.wait_for(lock, limit, [this] { return signalled_; });
        signalled_ = false;
        return signalled;
    }
    void wakeEvent() override {
        std::lock_guard lock(mutex_);
        signalled_ = true;
        event_.notify_all();
    }

  private:
    mutable std::mutex mutex_;
    std::condition_variable event_;
    bool signalled_ = false;
    bool loaded_ = false;
    bool deviceOpen_ = false;
    std::string description_;
    Dword flags_ = 0;
    d2xx::Ulong baud_ = 0;
    std::string written_;
    std::string received_;
    Dword eventStatus_ = 0;
};

}  // namespace vn340::test
