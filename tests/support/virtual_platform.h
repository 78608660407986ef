#pragma once

// The platform of a test: files in memory, a simulated Vexa-Plug whose gyro answers on a
// virtual clock, the sequence engine's timers on the same clock, scripted device events and a
// fixed calendar. A whole read or store runs in microseconds and every time is exact.

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "base/memory_file_system.h"
#include "gyro_sim.h"
#include "session/platform.h"
#include "support/virtual_clock.h"

namespace vn340::testing {

class VirtualTimers final : public Timers {
  public:
    VirtualTimers(VirtualClock& clock, Expiry expiry) : clock_(clock), expiry_(std::move(expiry)) {}
    ~VirtualTimers() override {
        for (const auto& [timer, ticket] : armed_) {
            clock_.withdraw(ticket);
        }
    }

    void arm(SequenceTimer timer, std::chrono::milliseconds delay) override {
        kill(timer);
        armed_[timer] = clock_.at(clock_.now() + delay.count() * kMs, [this, timer] {
            armed_.erase(timer);
            expiry_(timer);
        });
    }
    void kill(SequenceTimer timer) override {
        if (auto found = armed_.find(timer); found != armed_.end()) {
            clock_.withdraw(found->second);
            armed_.erase(found);
        }
    }
    bool isArmed(SequenceTimer timer) const override { return armed_.count(timer) != 0; }
    // Timers other than the status line's clearing, which outlives every sequence.
    bool sequenceTimerArmed() const {
        return std::any_of(armed_.begin(), armed_.end(), [](const auto& entry) {
            return entry.first != SequenceTimer::StatusClear;
        });
    }

  private:
    VirtualClock& clock_;
    Expiry expiry_;
    std::map<SequenceTimer, std::uint64_t> armed_;
};

// The Vexa-Plug as the program's transports see it: a serial port of a given name and the USB
// adapter, both leading to one simulated gyro. Either can be missing or refuse to open.
class SimulatedTransports final : public Transports {
  public:
    SimulatedTransports(VirtualClock& clock, GyroSimulator& gyro) : clock_(clock), gyro_(gyro) {}
    ~SimulatedTransports() override {
        for (const auto& [due, ticket] : deliveries_) {
            clock_.withdraw(ticket);
        }
    }

    std::vector<std::string> serialPorts{"ttyUSB0"};
    bool usbPresent = true;
    std::set<std::string> refusingPorts;

    // The serial adapter on `name` pulled out: the port goes, and an open one hangs up.
    void pullOut(const std::string& name) {
        std::erase(serialPorts, name);
        if (serial_ == name && hangUp_) {
            hangUp_();
        }
    }
    // The serial adapter on `name` pulled out while the reply to the `frame`th frame sent from
    // now on is on its way: halfway between the frame and the reply's last character, which
    // needs a paced line to be later than the frame. 0 pulls nothing out; nor does a frame the
    // gyro leaves unanswered.
    void pullOutDuringReply(const std::string& name, int frame) {
        pullOutPort_ = name;
        framesToPullOut_ = frame;
    }
    // The adapter on `name` plugged in again: the port is there once more.
    void plugIn(const std::string& name) {
        if (std::find(serialPorts.begin(), serialPorts.end(), name) == serialPorts.end()) {
            serialPorts.push_back(name);
        }
    }

    void onReceived(std::function<void(std::string_view)> receiver) override {
        receiver_ = std::move(receiver);
    }
    void onHangUp(std::function<void()> handler) override { hangUp_ = std::move(handler); }
    void prepare() override {}
    void send(std::string_view frame) override {
        if (inUse() == Transport::None) {
            return;
        }
        gyro_.feed(frame, std::chrono::microseconds(clock_.now()));
        std::map<int, std::pair<Micros, std::string>> pieces;
        for (const OutputByte& byte : gyro_.takeAll()) {
            auto& [due, text] = pieces[byte.piece];
            due = std::chrono::duration_cast<std::chrono::microseconds>(byte.due).count();
            text += byte.value;
        }
        // Deliveries already made are forgotten, so that a long run holds no more than the
        // replies on their way.
        std::erase_if(deliveries_,
                      [this](const auto& delivery) { return delivery.first < clock_.now(); });
        Micros lastArrival = clock_.now();
        for (auto& [piece, arrival] : pieces) {
            lastArrival = std::max(lastArrival, arrival.first);
            deliveries_.emplace_back(arrival.first,
                                     clock_.at(arrival.first, [this, text = arrival.second] {
                                         if (receiver_ && inUse() != Transport::None) {
                                             receiver_(text);
                                         }
                                     }));
        }
        if (framesToPullOut_ > 0 && --framesToPullOut_ == 0 && !pieces.empty()) {
            const Micros midway = (clock_.now() + lastArrival) / 2;
            deliveries_.emplace_back(
                midway, clock_.at(midway, [this, name = pullOutPort_] { pullOut(name); }));
        }
    }
    Transport inUse() const override {
        return usbOpen_ ? Transport::Usb : serial_ ? Transport::Serial : Transport::None;
    }
    bool usbDeviceOpen() const override { return usbOpen_; }
    void closeAll() override {
        usbOpen_ = false;
        serial_.reset();
    }

    std::vector<std::string> enumerateSerialPorts() override { return serialPorts; }
    SysResult openUsb(bool) override {
        if (!usbPresent) {
            return SysResult::failure(ENODEV, "no USB adapter");
        }
        usbOpen_ = true;
        return {};
    }
    void closeUsb() override { usbOpen_ = false; }
    bool usbInUse() const override { return usbOpen_; }
    SysResult openSerial(std::string_view name) override {
        const bool listed =
            std::find(serialPorts.begin(), serialPorts.end(), name) != serialPorts.end();
        if (!listed || refusingPorts.count(std::string(name)) != 0) {
            return SysResult::failure(EACCES, "refused");
        }
        serial_ = std::string(name);
        return {};
    }
    void closeSerial() override { serial_.reset(); }
    bool serialOpen() const override { return serial_.has_value(); }
    std::string deviceGroup(std::string_view) const override { return "dialout"; }

  private:
    VirtualClock& clock_;
    GyroSimulator& gyro_;
    std::function<void(std::string_view)> receiver_;
    std::function<void()> hangUp_;
    bool usbOpen_ = false;
    std::optional<std::string> serial_;
    // Each delivery's time and ticket, and the pull-out's.
    std::vector<std::pair<Micros, std::uint64_t>> deliveries_;
    std::string pullOutPort_;
    int framesToPullOut_ = 0;
};

// The system's news of adapters plugged in and pulled out, told when the test says so.
class ScriptedDeviceEvents final : public DeviceEvents {
  public:
    SysResult start(Handler handler) override {
        handler_ = std::move(handler);
        return {};
    }
    void stop() override { handler_ = nullptr; }
    void tell(DeviceEvent event) {
        if (handler_) {
            handler_(event);
        }
    }

  private:
    Handler handler_;
};

class VirtualPlatform final : public Platform {
  public:
    VirtualClock clock;
    GyroSimulator gyro;
    MemoryFileSystem memoryFiles;
    int day = 20'000;
    LocalTime time{2026, 12, 9, 18, 30, 0};
    // What the last transports and timers made are, for the test to look at.
    SimulatedTransports* transports = nullptr;
    VirtualTimers* timers = nullptr;
    // Without them the system tells nothing of adapters coming and going.
    bool tellsDeviceEvents = false;
    ScriptedDeviceEvents* deviceEvents = nullptr;

    FileSystem& files() override { return memoryFiles; }
    EventLoop& loop() override { return clock; }
    std::unique_ptr<Transports> makeTransports(FrontEnd&) override {
        auto made = std::make_unique<SimulatedTransports>(clock, gyro);
        transports = made.get();
        return made;
    }
    std::unique_ptr<DeviceEvents> makeDeviceEvents() override {
        if (!tellsDeviceEvents) {
            return nullptr;
        }
        auto made = std::make_unique<ScriptedDeviceEvents>();
        deviceEvents = made.get();
        return made;
    }
    std::unique_ptr<Timers> makeTimers(Timers::Expiry expiry) override {
        auto made = std::make_unique<VirtualTimers>(clock, std::move(expiry));
        timers = made.get();
        return made;
    }
    bool usbLibraryPresent() override { return transports == nullptr || transports->usbPresent; }
    int today() override { return day; }
    LocalTime localNow() override { return time; }
    std::chrono::milliseconds steadyNow() override {
        return std::chrono::milliseconds(clock.now() / kMs);
    }
};

}  // namespace vn340::testing
