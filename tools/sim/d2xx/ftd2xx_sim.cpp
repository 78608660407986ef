// A D2XX library whose one device is the gyro simulator behind a Vexa-Plug, for running and
// testing the program's USB adapter without the hardware. Same entry points and calling
// convention as the vendor's library: libftd2xx.so on Linux, ftd2xx.dll on Windows, where the
// notification's event is a Win32 event handle (sim_event_*.cpp set it).
//
// Like the chip, the device holds received characters until a packet of 62 fills or its latency
// timer ticks next. The timer runs freely from the open, every 16 ms until FT_SetLatencyTimer
// changes it (to 2 to 255 ms).
//
// Environment:
//   VN340_D2XX_NO_DEVICE=1     no device is attached (every open fails)
//   VN340_D2XX_REFUSE_BAUD=1   the device refuses every baud rate
//   VN340_D2XX_NO_LATENCY_TIMER=1  received characters are handed on one by one as they come
//   VN340_SIM_OPTIONS="..."    the simulator's options (see sim_options.h), e.g.
//                              "--silent-from 3 --zeros-after 2"; replies are paced at 9600
//                              baud unless the options say "--no-pace"
//
// Besides the vendor's entry points, a few vn340sim_* functions let tests put bytes or a
// modem-status event on the line and look at what the program wrote.

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <variant>

#include "d2xx_export.h"
#include "link/d2xx_types.h"
#include "sim_event.h"
#include "sim_options.h"

using namespace vn340;
using namespace vn340::d2xx;

namespace {

using Clock = std::chrono::steady_clock;

// Data bytes in one of the chip's packets to the computer.
constexpr std::size_t kPacketSize = 62;

bool envFlag(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0' && std::strcmp(value, "0") != 0;
}

GyroSimulator simulatorFromEnvironment() {
    std::vector<std::string> args;
    if (const char* text = std::getenv("VN340_SIM_OPTIONS")) {
        args = splitOptionText(text);
    }
    bool pace = true;
    std::vector<std::string> kept;
    for (auto& arg : args) {
        if (arg == "--no-pace") {
            pace = false;
        } else {
            kept.push_back(std::move(arg));
        }
    }
    auto parsed = parseSimOptions(kept);
    SimOptions options;
    if (auto* good = std::get_if<SimOptions>(&parsed)) {
        options = std::move(*good);
    } else {
        // Said once per open, so a mistyped option does not pass for the defaults unnoticed.
        std::fprintf(stderr, "ftd2xx (simulated): VN340_SIM_OPTIONS: %s\n",
                     std::get<std::string>(parsed).c_str());
    }
    if (pace) {
        options.settings.pace = true;
    }
    return makeSimulator(options);
}

class Device {
  public:
    Device()
        : sim_(simulatorFromEnvironment()),
          epoch_(Clock::now()),
          holding_(!envFlag("VN340_D2XX_NO_LATENCY_TIMER")) {
        pump_ = std::thread([this] { pump(); });
    }

    ~Device() {
        {
            std::lock_guard lock(mutex_);
            stopping_ = true;
        }
        cv_.notify_all();
        pump_.join();
    }

    // A paced line is slow in both directions: the chip takes the bytes at once and sends them
    // at the baud rate, and the reply starts after the frame's last character.
    void write(const char* bytes, Dword count) {
        std::lock_guard lock(mutex_);
        written_.append(bytes, count);
        const SimSettings& settings = sim_.settings();
        if (!settings.pace) {
            sim_.feed(std::string_view(bytes, count), now());
        } else {
            const SimTime characterTime(10'000'000'000LL /
                                        (settings.baud > 0 ? settings.baud : 9600));
            for (Dword i = 0; i < count; ++i) {
                sentUntil_ = std::max(sentUntil_, now()) + characterTime;
                sim_.feed(std::string_view(bytes + i, 1), sentUntil_);
            }
        }
        cv_.notify_all();
    }

    // Returns at once with what is waiting (the vendor's library would wait for the whole
    // count up to its read time-out; the program never asks for more than is waiting).
    Dword read(char* out, Dword count) {
        std::lock_guard lock(mutex_);
        Dword n = 0;
        while (n < count && !rx_.empty()) {
            out[n++] = rx_.front();
            rx_.pop_front();
        }
        return n;
    }

    Dword queued() {
        std::lock_guard lock(mutex_);
        return static_cast<Dword>(rx_.size());
    }

    void status(Dword* rx, Dword* tx, Dword* events) {
        std::lock_guard lock(mutex_);
        *rx = static_cast<Dword>(rx_.size());
        *tx = 0;
        *events = eventStatus_;
        eventStatus_ = 0;
    }

    void purge(Ulong mask) {
        std::lock_guard lock(mutex_);
        if (mask & 1) {
            rx_.clear();
            held_.clear();
            sendAt_.reset();
            injected_.clear();
            sim_.takeAll();
        }
    }

    void setLatency(Uchar milliseconds) {
        std::lock_guard lock(mutex_);
        latency_ = std::chrono::milliseconds(milliseconds);
        tickBase_ = now();
        if (sendAt_) {
            sendAt_ = nextTick(tickBase_);
        }
        cv_.notify_all();
    }

    void setNotification(Dword mask, void* handle) {
        std::lock_guard lock(mutex_);
        mask_ = mask;
        notify_ = handle;
    }

    void inject(const char* bytes, unsigned count, unsigned microsPerByte) {
        std::lock_guard lock(mutex_);
        auto due = now();
        for (unsigned i = 0; i < count; ++i) {
            due += std::chrono::microseconds(microsPerByte);
            injected_.emplace_back(due, bytes[i]);
        }
        cv_.notify_all();
    }

    void modemEvent() {
        void* handle = nullptr;
        {
            std::lock_guard lock(mutex_);
            eventStatus_ |= kFtEventModemStatus;
            if (mask_ & kFtEventModemStatus) {
                handle = notify_;
            }
        }
        signalEvent(handle);
    }

    std::string written() {
        std::lock_guard lock(mutex_);
        return written_;
    }

  private:
    SimTime now() const { return std::chrono::duration_cast<SimTime>(Clock::now() - epoch_); }

    // The first tick of the latency timer after t.
    SimTime nextTick(SimTime t) const {
        return tickBase_ + ((t - tickBase_) / latency_ + 1) * latency_;
    }

    // Moves count held characters onto the receive queue.
    void handOn(std::size_t count) {
        rx_.insert(rx_.end(), held_.begin(), held_.begin() + static_cast<std::ptrdiff_t>(count));
        held_.erase(0, count);
        if (held_.empty()) {
            sendAt_.reset();
        }
    }

    // Characters off the line at time t: held by the chip until a packet fills or the timer
    // ticks. True when some reached the receive queue.
    bool receive(const std::string& characters, SimTime t) {
        if (!holding_) {
            rx_.insert(rx_.end(), characters.begin(), characters.end());
            return !characters.empty();
        }
        held_ += characters;
        bool sent = false;
        while (held_.size() >= kPacketSize) {
            handOn(kPacketSize);
            sent = true;
        }
        if (!held_.empty() && !sendAt_) {
            sendAt_ = nextTick(t);
        }
        return sent;
    }

    // Moves what is due onto the receive queue and signals the program's event, as the
    // vendor's driver does from its own thread.
    void pump() {
        std::unique_lock lock(mutex_);
        while (!stopping_) {
            const SimTime t = now();
            std::string due = sim_.takeDue(t);
            while (!injected_.empty() && injected_.front().first <= t) {
                due += injected_.front().second;
                injected_.pop_front();
            }
            bool arrived = receive(due, t);
            if (sendAt_ && *sendAt_ <= t) {
                handOn(held_.size());
                arrived = true;
            }
            if (arrived) {
                eventStatus_ |= kFtEventRxChar;
                void* handle = (mask_ & kFtEventRxChar) ? notify_ : nullptr;
                lock.unlock();
                signalEvent(handle);
                lock.lock();
                continue;
            }
            std::optional<SimTime> next = sim_.nextDue();
            if (!injected_.empty() && (!next || injected_.front().first < *next)) {
                next = injected_.front().first;
            }
            if (sendAt_ && (!next || *sendAt_ < *next)) {
                next = sendAt_;
            }
            if (next) {
                cv_.wait_until(lock, epoch_ + std::chrono::duration_cast<Clock::duration>(*next));
            } else {
                cv_.wait(lock);
            }
        }
    }

    std::mutex mutex_;
    std::condition_variable cv_;
    GyroSimulator sim_;
    Clock::time_point epoch_;
    std::deque<char> rx_;
    SimTime sentUntil_{0};  // when the last byte written has left on the line
    // The chip's side: what it holds back, and its latency timer.
    bool holding_;
    std::string held_;
    SimTime latency_ = std::chrono::milliseconds(kFtDefaultLatency);
    SimTime tickBase_{0};
    std::optional<SimTime> sendAt_;
    std::deque<std::pair<SimTime, char>> injected_;
    std::string written_;
    Dword eventStatus_ = 0;
    Dword mask_ = 0;
    void* notify_ = nullptr;
    bool stopping_ = false;
    std::thread pump_;
};

// One device, like one Vexa-Plug on the bus.
std::mutex gDeviceMutex;
Device* gDevice = nullptr;

Device* deviceOf(FtHandle handle) {
    std::lock_guard lock(gDeviceMutex);
    return handle != nullptr && handle == gDevice ? gDevice : nullptr;
}

FtStatus openDevice(FtHandle* handle) {
    if (handle == nullptr) {
        return kFtInvalidParameter;
    }
    if (envFlag("VN340_D2XX_NO_DEVICE")) {
        return kFtDeviceNotFound;
    }
    std::lock_guard lock(gDeviceMutex);
    if (gDevice != nullptr) {
        return kFtDeviceNotOpened;  // already open elsewhere
    }
    gDevice = new Device;
    *handle = gDevice;
    return kFtOk;
}

}  // namespace

VN340_EXPORT FtStatus VN340_D2XX_API FT_Write(FtHandle handle, void* buffer, Dword toWrite,
                                              Dword* written) {
    Device* device = deviceOf(handle);
    if (device == nullptr) {
        return kFtInvalidHandle;
    }
    device->write(static_cast<const char*>(buffer), toWrite);
    if (written != nullptr) {
        *written = toWrite;
    }
    return kFtOk;
}

VN340_EXPORT FtStatus VN340_D2XX_API FT_Read(FtHandle handle, void* buffer, Dword toRead,
                                             Dword* read) {
    Device* device = deviceOf(handle);
    if (device == nullptr) {
        return kFtInvalidHandle;
    }
    const Dword n = device->read(static_cast<char*>(buffer), toRead);
    if (read != nullptr) {
        *read = n;
    }
    return kFtOk;
}

VN340_EXPORT FtStatus VN340_D2XX_API FT_Open(int index, FtHandle* handle) {
    if (index != 0) {
        return kFtDeviceNotFound;
    }
    return openDevice(handle);
}

VN340_EXPORT FtStatus VN340_D2XX_API FT_OpenEx(void* arg, Dword flags, FtHandle* handle) {
    if (flags != kFtOpenByDescription || arg == nullptr) {
        return kFtDeviceNotFound;
    }
    if (std::strcmp(static_cast<const char*>(arg), "Vexa-Plug") != 0) {
        return kFtDeviceNotFound;
    }
    return openDevice(handle);
}

VN340_EXPORT FtStatus VN340_D2XX_API FT_ListDevices(void* arg1, void* /*arg2*/, Dword flags) {
    constexpr Dword kListNumberOnly = 0x80000000u;
    if (flags != kListNumberOnly || arg1 == nullptr) {
        return kFtNotSupported;
    }
    *static_cast<Dword*>(arg1) = envFlag("VN340_D2XX_NO_DEVICE") ? 0 : 1;
    return kFtOk;
}

VN340_EXPORT FtStatus VN340_D2XX_API FT_Close(FtHandle handle) {
    Device* device = nullptr;
    {
        std::lock_guard lock(gDeviceMutex);
        if (handle == nullptr || handle != gDevice) {
            return kFtInvalidHandle;
        }
        device = gDevice;
        gDevice = nullptr;
    }
    delete device;
    return kFtOk;
}

VN340_EXPORT FtStatus VN340_D2XX_API FT_ResetDevice(FtHandle handle) {
    return deviceOf(handle) ? kFtOk : kFtInvalidHandle;
}

VN340_EXPORT FtStatus VN340_D2XX_API FT_Purge(FtHandle handle, Ulong mask) {
    Device* device = deviceOf(handle);
    if (device == nullptr) {
        return kFtInvalidHandle;
    }
    device->purge(mask);
    return kFtOk;
}

VN340_EXPORT FtStatus VN340_D2XX_API FT_SetTimeouts(FtHandle handle, Ulong /*readTimeout*/,
                                                    Ulong /*writeTimeout*/) {
    return deviceOf(handle) ? kFtOk : kFtInvalidHandle;
}

VN340_EXPORT FtStatus VN340_D2XX_API FT_GetQueueStatus(FtHandle handle, Dword* rxBytes) {
    Device* device = deviceOf(handle);
    if (device == nullptr || rxBytes == nullptr) {
        return kFtInvalidHandle;
    }
    *rxBytes = device->queued();
    return kFtOk;
}

VN340_EXPORT FtStatus VN340_D2XX_API FT_SetBaudRate(FtHandle handle, Ulong baud) {
    if (deviceOf(handle) == nullptr) {
        return kFtInvalidHandle;
    }
    if (baud == 0 || envFlag("VN340_D2XX_REFUSE_BAUD")) {
        return kFtInvalidBaudRate;
    }
    return kFtOk;
}

VN340_EXPORT FtStatus VN340_D2XX_API FT_SetEventNotification(FtHandle handle, Dword mask,
                                                             void* param) {
    Device* device = deviceOf(handle);
    if (device == nullptr) {
        return kFtInvalidHandle;
    }
    device->setNotification(mask, param);
    return kFtOk;
}

VN340_EXPORT FtStatus VN340_D2XX_API FT_GetStatus(FtHandle handle, Dword* rxBytes, Dword* txBytes,
                                                  Dword* eventStatus) {
    Device* device = deviceOf(handle);
    if (device == nullptr || rxBytes == nullptr || txBytes == nullptr || eventStatus == nullptr) {
        return kFtInvalidHandle;
    }
    device->status(rxBytes, txBytes, eventStatus);
    return kFtOk;
}

VN340_EXPORT FtStatus VN340_D2XX_API FT_ClrRts(FtHandle handle) {
    return deviceOf(handle) ? kFtOk : kFtInvalidHandle;
}

VN340_EXPORT FtStatus VN340_D2XX_API FT_SetLatencyTimer(FtHandle handle, Uchar milliseconds) {
    Device* device = deviceOf(handle);
    if (device == nullptr) {
        return kFtInvalidHandle;
    }
    if (milliseconds < kFtShortestLatency) {
        return kFtInvalidParameter;
    }
    device->setLatency(milliseconds);
    return kFtOk;
}

// --- For tests ----------------------------------------------------------------------------

// Puts bytes on the line from the device's side, one every microsPerByte. 0, or -1 when no
// device is open.
VN340_EXPORT int vn340sim_inject(const void* bytes, unsigned count, unsigned microsPerByte) {
    std::lock_guard lock(gDeviceMutex);
    if (gDevice == nullptr) {
        return -1;
    }
    gDevice->inject(static_cast<const char*>(bytes), count, microsPerByte);
    return 0;
}

// Raises a modem-status event.
VN340_EXPORT int vn340sim_modem_event() {
    std::lock_guard lock(gDeviceMutex);
    if (gDevice == nullptr) {
        return -1;
    }
    gDevice->modemEvent();
    return 0;
}

// The bytes waiting to be read.
VN340_EXPORT unsigned vn340sim_queued() {
    std::lock_guard lock(gDeviceMutex);
    return gDevice != nullptr ? gDevice->queued() : 0;
}

// 1 while the device is open.
VN340_EXPORT int vn340sim_is_open() {
    std::lock_guard lock(gDeviceMutex);
    return gDevice != nullptr ? 1 : 0;
}

// Copies up to capacity bytes of what the program wrote since the open; returns the full count.
VN340_EXPORT unsigned vn340sim_written(char* out, unsigned capacity) {
    std::lock_guard lock(gDeviceMutex);
    if (gDevice == nullptr) {
        return 0;
    }
    const std::string text = gDevice->written();
    if (out != nullptr) {
        std::memcpy(out, text.data(), std::min<std::size_t>(capacity, text.size()));
    }
    return static_cast<unsigned>(text.size());
}
