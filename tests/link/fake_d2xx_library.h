#pragma once

// A D2XX library made to order: it can be missing altogether, lack any entry point, or fail
// any call, and its one device receives what the test puts on the line. What the adapter's
// notification thread also touches (the receive queue and the event) is locked; the rest is
// the GUI thread's alone.
//
// Its event behaves like the condition variable of the real library: a signal reaches only a
// thread that waits at that moment, and one that comes while nobody waits is lost. Its clock
// stands still, so a wait ends by a signal or a wake-up and never by its time limit: whatever
// works here works without the adapter's periodic look at the queue.

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <utility>

#include "link/d2xx_library.h"

namespace vn340::test {

class FakeD2xxLibrary : public D2xxLibrary {
  public:
    using FtStatus = d2xx::FtStatus;
    using Dword = d2xx::Dword;

    // What the library is like.
    bool loadable = true;
    std::set<D2xxEntry> missing;
    // Calls that fail, with the status they answer.
    std::map<D2xxEntry, FtStatus> failing;

    // What was done to it.
    bool loaded = false;
    bool deviceOpen = false;
    std::string description;
    Dword flags = 0;
    d2xx::Ulong baud = 0;
    d2xx::Uchar latency = d2xx::kFtDefaultLatency;
    std::string written;

    // The device sends these bytes: they wait to be read and the event is signalled.
    void arrive(const std::string& bytes) {
        {
            std::lock_guard lock(mutex_);
            received_ += bytes;
            eventStatus_ |= d2xx::kFtEventRxChar;
        }
        signal();
    }
    // What the next status query reports as the events since the last one.
    void setEventStatus(Dword status) {
        std::lock_guard lock(mutex_);
        eventStatus_ = status;
    }
    std::size_t queued() {
        std::lock_guard lock(mutex_);
        return received_.size();
    }
    // Whether a thread waits for the event now.
    bool parked() {
        std::lock_guard lock(eventMutex_);
        return parked_;
    }

    SysResult load() override {
        loaded = loadable;
        return loaded ? SysResult{} : SysResult::failure(kErrLibraryMissing, "no such library");
    }
    void unload() override { loaded = false; }
    bool has(D2xxEntry entry) const override { return loaded && missing.count(entry) == 0; }

    FtStatus openEx(const std::string& text, Dword how, d2xx::FtHandle* handle) override {
        description = text;
        flags = how;
        deviceOpen = status(D2xxEntry::OpenEx) == d2xx::kFtOk;
        *handle = this;
        return status(D2xxEntry::OpenEx);
    }
    FtStatus close(d2xx::FtHandle) override {
        deviceOpen = false;
        return d2xx::kFtOk;
    }
    FtStatus setBaudRate(d2xx::FtHandle, d2xx::Ulong rate) override {
        baud = rate;
        return status(D2xxEntry::SetBaudRate);
    }
    FtStatus write(d2xx::FtHandle, const void* bytes, Dword count, Dword* done) override {
        written.append(static_cast<const char*>(bytes), count);
        *done = count;
        return d2xx::kFtOk;
    }
    FtStatus read(d2xx::FtHandle, void* bytes, Dword count, Dword* got) override {
        if (status(D2xxEntry::Read) != d2xx::kFtOk) {
            return status(D2xxEntry::Read);
        }
        std::lock_guard lock(mutex_);
        *got = std::min<Dword>(count, static_cast<Dword>(received_.size()));
        received_.copy(static_cast<char*>(bytes), *got);
        received_.erase(0, *got);
        return d2xx::kFtOk;
    }
    FtStatus getStatus(d2xx::FtHandle, Dword* rxBytes, Dword* txBytes,
                       Dword* eventStatus) override {
        if (status(D2xxEntry::GetStatus) != d2xx::kFtOk) {
            return status(D2xxEntry::GetStatus);
        }
        std::lock_guard lock(mutex_);
        *rxBytes = static_cast<Dword>(received_.size());
        *txBytes = 0;
        *eventStatus = std::exchange(eventStatus_, 0);
        return d2xx::kFtOk;
    }
    FtStatus setLatencyTimer(d2xx::FtHandle, d2xx::Uchar milliseconds) override {
        if (status(D2xxEntry::SetLatencyTimer) == d2xx::kFtOk) {
            latency = milliseconds;
        }
        return status(D2xxEntry::SetLatencyTimer);
    }
    FtStatus getQueueStatus(d2xx::FtHandle, Dword* rxBytes) override {
        std::lock_guard lock(mutex_);
        *rxBytes = static_cast<Dword>(received_.size());
        return d2xx::kFtOk;
    }
    FtStatus setEventNotification(d2xx::FtHandle, Dword) override {
        return status(D2xxEntry::SetEventNotification);
    }
    bool waitEvent(std::chrono::milliseconds, const std::function<bool()>& ready) override {
        std::unique_lock lock(eventMutex_);
        if (!woken_ && !(ready && ready())) {
            const std::uint64_t seen = signals_;
            parked_ = true;
            event_.wait(lock, [&] { return woken_ || signals_ != seen; });
            parked_ = false;
        }
        woken_ = false;
        return true;
    }
    void wakeEvent() override {
        std::lock_guard lock(eventMutex_);
        woken_ = true;
        event_.notify_all();
    }

  private:
    FtStatus status(D2xxEntry entry) const {
        const auto found = failing.find(entry);
        return found == failing.end() ? d2xx::kFtOk : found->second;
    }

    void signal() {
        std::lock_guard lock(eventMutex_);
        ++signals_;
        event_.notify_all();
    }

    // The receive queue and the event have locks of their own, as in the real library.
    std::mutex mutex_;
    std::string received_;
    Dword eventStatus_ = 0;

    std::mutex eventMutex_;
    std::condition_variable event_;
    std::uint64_t signals_ = 0;
    bool woken_ = false;
    bool parked_ = false;
};

}  // namespace vn340::test
