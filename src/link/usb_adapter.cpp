#include "link/usb_adapter.h"

#include <algorithm>
#include <cerrno>
#include <optional>
#include <system_error>

namespace vn340 {

using namespace d2xx;

namespace {

// How long the notification thread waits for the library's event before it looks at the
// receive queue once more. It looks before every wait too, so no character depends on this;
// it only bounds what a library that forgets to signal can cost.
constexpr std::chrono::milliseconds kEventPollPeriod(20);

bool printableOrWhite(unsigned char c) {
    return (c >= 0x20 && c <= 0x7E) || (c >= 0x09 && c <= 0x0D);
}

// The box shown (even when quiet) when one of these entry points is missing.
std::optional<std::string_view> missingEntryBox(D2xxEntry entry) {
    switch (entry) {
        case D2xxEntry::SetEventNotification:
            return usb_text::kNoSetEventNotification;
        case D2xxEntry::GetStatus:
            return usb_text::kNoGetStatus;
        case D2xxEntry::ClrRts:
            return usb_text::kNoClrRts;
        default:
            return std::nullopt;
    }
}

}  // namespace

// One Special_Change call into the GUI thread, which the notification thread waits for and
// which the stop can abandon: the waiting thread is released at once, and a call the GUI
// thread gets to later finds itself abandoned and does nothing.
struct UsbAdapter::Handshake {
    enum class State { Pending, Running, Done, Abandoned };

    std::mutex mutex;
    std::condition_variable cv;
    State state = State::Pending;

    bool begin() {
        std::lock_guard lock(mutex);
        if (state != State::Pending) {
            return false;
        }
        state = State::Running;
        return true;
    }
    void finish() {
        std::lock_guard lock(mutex);
        if (state == State::Running) {
            state = State::Done;
        }
        cv.notify_all();
    }
    void abandon() {
        std::lock_guard lock(mutex);
        if (state == State::Pending || state == State::Running) {
            state = State::Abandoned;
        }
        cv.notify_all();
    }
    void waitAnswered() {
        std::unique_lock lock(mutex);
        cv.wait(lock, [this] { return state == State::Done || state == State::Abandoned; });
    }
};

namespace {

// Travels with the posted call; when the owner drops the call unrun (in the window: Qt, whose
// context object was destroyed), the waiting thread is released rather than left waiting for
// the stop.
template <typename Handshake>
struct AbandonOnDrop {
    explicit AbandonOnDrop(std::shared_ptr<Handshake> call) : handshake(std::move(call)) {}
    AbandonOnDrop(const AbandonOnDrop&) = delete;
    AbandonOnDrop& operator=(const AbandonOnDrop&) = delete;
    ~AbandonOnDrop() { handshake->abandon(); }

    std::shared_ptr<Handshake> handshake;
};

}  // namespace

UsbAdapter::UsbAdapter(FrontEnd& frontEnd, D2xxLibrary& library, UsbLineSettings line)
    : frontEnd_(frontEnd), library_(library), line_(line) {}

UsbAdapter::~UsbAdapter() {
    close();
}

SysResult UsbAdapter::fail(bool quiet, int error, std::string_view text) {
    if (!quiet) {
        frontEnd_.showMessage(text);
    }
    return SysResult::failure(error, std::string(text));
}

SysResult UsbAdapter::open(bool quiet) {
    if (device_ != nullptr) {
        return {};
    }

    if (!library_.load()) {
        return fail(quiet, kErrLibraryMissing, usb_text::unableToLoad());
    }
    // Bound in a fixed order; the first one missing decides.
    for (D2xxEntry entry : kD2xxEntries) {
        if (library_.has(entry)) {
            continue;
        }
        if (const auto box = missingEntryBox(entry)) {
            frontEnd_.showSystemMessage(*box);
        }
        library_.unload();
        return fail(quiet, kErrLibraryIncomplete, usb_text::unableToLoad());
    }

    FtHandle handle = nullptr;
    if (library_.openEx(std::string(line_.description), kFtOpenByDescription, &handle) != kFtOk ||
        handle == nullptr) {
        library_.unload();
        return fail(quiet, ENODEV, usb_text::kUnableToFind);
    }
    if (library_.setBaudRate(handle, line_.baud) != kFtOk) {
        library_.close(handle);
        library_.unload();
        return fail(quiet, EINVAL, usb_text::kBaudRefused);
    }
    // The chip holds received characters for its latency timer before it sends them on, 16 ms
    // unless told otherwise, and every reply's last characters would wait for it. A library
    // without the call, or a chip that refuses, still works, only slower: nothing is said.
    if (library_.has(D2xxEntry::SetLatencyTimer)) {
        library_.setLatencyTimer(handle, line_.latencyMs);
    }
    device_ = handle;
    return {};
}

SysResult UsbAdapter::notValid(int error) {
    frontEnd_.showSystemMessage(usb_text::kNotificationNotValid);
    return SysResult::failure(error, std::string(usb_text::kNotificationNotValid));
}

SysResult UsbAdapter::startNotificationThread(OwnerThread& owner,
                                              std::function<void()> specialChange) {
    if (device_ == nullptr || !library_.has(D2xxEntry::SetEventNotification)) {
        return notValid(EBADF);
    }
    if (thread_.joinable()) {
        return {};
    }
    if (library_.setEventNotification(device_, kFtEventRxChar | kFtEventModemStatus) != kFtOk) {
        return notValid(EIO);
    }

    owner_ = &owner;
    specialChange_ = std::move(specialChange);
    stopRequested_.store(false);
    unreadLeft_.store(0);
    threadRunning_.store(true);
    try {
        thread_ = std::thread([this] { run(); });
    } catch (const std::system_error& error) {
        threadRunning_.store(false);
        return SysResult::failure(error.code().value(), "start the notification thread");
    }
    return {};
}

bool UsbAdapter::notificationThreadRunning() const {
    return threadRunning_.load();
}

bool UsbAdapter::moreWaiting() {
    Dword waiting = 0;
    return library_.getQueueStatus(device_, &waiting) == kFtOk && waiting > unreadLeft_.load();
}

void UsbAdapter::run() {
    while (!stopRequested_.load()) {
        // The library signals its event also while this thread waits for the GUI thread, and
        // such a signal reaches nobody: characters that came meanwhile are found in the queue,
        // looked at under the event's lock so that none can slip in between look and wait.
        const bool woken = library_.waitEvent(kEventPollPeriod, [this] { return moreWaiting(); });
        if (stopRequested_.load()) {
            break;
        }
        if (!woken && !moreWaiting()) {
            continue;
        }

        auto handshake = std::make_shared<Handshake>();
        {
            std::lock_guard lock(handshakeMutex_);
            if (stopRequested_.load()) {
                break;
            }
            pending_ = handshake;
        }
        auto guard = std::make_shared<AbandonOnDrop<Handshake>>(handshake);
        owner_->post([guard, call = specialChange_] {
            if (guard->handshake->begin()) {
                call();
                guard->handshake->finish();
            }
        });
        guard.reset();
        posted_.fetch_add(1);
        handshake->waitAnswered();
        std::lock_guard lock(handshakeMutex_);
        pending_.reset();
    }
    threadRunning_.store(false);
}

// The stop never waits for the GUI thread, so it cannot deadlock against a Special_Change
// the GUI thread has not handled yet (nor against the one it is handling, when the handler
// itself closes the adapter): it raises the stop flag, abandons the pending call, which
// releases the thread's wait at once, wakes the thread's event wait, and then joins the
// thread, which by then has nothing left to wait for. Only after the join are the device
// and the library released, so the thread never calls into an unloaded library.
void UsbAdapter::stopThread() {
    if (!thread_.joinable()) {
        return;
    }
    stopRequested_.store(true);
    {
        std::lock_guard lock(handshakeMutex_);
        if (pending_) {
            pending_->abandon();
        }
    }
    library_.wakeEvent();
    thread_.join();
    owner_ = nullptr;
    specialChange_ = nullptr;
}

void UsbAdapter::close() {
    stopThread();
    if (device_ != nullptr) {
        library_.close(device_);
    }
    device_ = nullptr;
    // The library signals the event until the device is closed; only now may it go.
    library_.unload();
    inUse_ = false;
}

void UsbAdapter::write(std::string_view text) {
    if (device_ == nullptr) {
        return;
    }
    Dword written = 0;
    library_.write(device_, text.data(), static_cast<Dword>(text.size()), &written);
}

int UsbAdapter::onUsbData(const std::function<void(std::string_view)>& dispatch) {
    if (device_ == nullptr) {
        return 0;
    }
    Dword inQueue = 0;
    Dword outQueue = 0;
    Dword eventStatus = 0;
    if (library_.getStatus(device_, &inQueue, &outQueue, &eventStatus) != kFtOk) {
        Dword waiting = 0;
        unreadLeft_.store(library_.getQueueStatus(device_, &waiting) == kFtOk ? waiting : 0);
        return 0;
    }
    if ((eventStatus & kFtEventRxChar) == 0) {
        // Left for the next notification that reports received characters.
        unreadLeft_.store(inQueue);
        return 0;
    }
    unreadLeft_.store(0);
    char chunk[kUsbChunkSize + 1];
    Dword remaining = inQueue;
    while (remaining > 0) {
        const Dword wanted = std::min<Dword>(kUsbChunkSize, remaining);
        Dword got = 0;
        if (library_.read(device_, chunk, wanted, &got) != kFtOk) {
            break;
        }
        got = std::min(got, wanted);
        remaining -= got;
        for (Dword i = 0; i < got; ++i) {
            if (!printableOrWhite(static_cast<unsigned char>(chunk[i]))) {
                chunk[i] = '?';
            }
        }
        chunk[got] = '\0';
        dispatch(std::string_view(chunk, got));
        // The consumer may have closed the adapter (a message loop ran inside it).
        if (device_ == nullptr) {
            return 0;
        }
        if (got != kUsbChunkSize) {
            break;
        }
    }
    return 0;
}

}  // namespace vn340
