#include "link/usb_adapter.h"

#include <dlfcn.h>
#include <time.h>

#include <QMetaObject>
#include <QObject>

#include <algorithm>
#include <cstring>
#include <system_error>

namespace vn340 {

using namespace d2xx;

namespace {

// How long the notification thread waits for the library's event before it looks at the
// receive queue itself. The library signals its condition variable only while someone waits
// on it; an arrival while this thread waits for the GUI thread would otherwise go unseen.
constexpr long kPollNanoseconds = 20L * 1000 * 1000;

template <typename Function>
bool bindSymbol(void* library, const char* name, Function* out) {
    void* address = ::dlsym(library, name);
    if (address == nullptr)
        return false;
    static_assert(sizeof(Function) == sizeof(void*));
    std::memcpy(out, &address, sizeof address);
    return true;
}

bool printableOrWhite(unsigned char c) {
    return (c >= 0x20 && c <= 0x7E) || (c >= 0x09 && c <= 0x0D);
}

}  // namespace

struct UsbAdapter::Api {
    FT_Write_t write = nullptr;
    FT_Read_t read = nullptr;
    FT_Open_t openIndex = nullptr;
    FT_OpenEx_t openEx = nullptr;
    FT_ListDevices_t listDevices = nullptr;
    FT_Close_t close = nullptr;
    FT_ResetDevice_t resetDevice = nullptr;
    FT_Purge_t purge = nullptr;
    FT_SetTimeouts_t setTimeouts = nullptr;
    FT_GetQueueStatus_t getQueueStatus = nullptr;
    FT_SetBaudRate_t setBaudRate = nullptr;
    FT_SetEventNotification_t setEventNotification = nullptr;
    FT_GetStatus_t getStatus = nullptr;
    FT_ClrRts_t clrRts = nullptr;

    // Binds in the adapter's fixed order; returns the name of the first missing entry point,
    // or nullptr when all fourteen are there.
    const char* bind(void* library) {
        if (!bindSymbol(library, "FT_Write", &write))
            return "FT_Write";
        if (!bindSymbol(library, "FT_Read", &read))
            return "FT_Read";
        if (!bindSymbol(library, "FT_Open", &openIndex))
            return "FT_Open";
        if (!bindSymbol(library, "FT_OpenEx", &openEx))
            return "FT_OpenEx";
        if (!bindSymbol(library, "FT_ListDevices", &listDevices))
            return "FT_ListDevices";
        if (!bindSymbol(library, "FT_Close", &close))
            return "FT_Close";
        if (!bindSymbol(library, "FT_ResetDevice", &resetDevice))
            return "FT_ResetDevice";
        if (!bindSymbol(library, "FT_Purge", &purge))
            return "FT_Purge";
        if (!bindSymbol(library, "FT_SetTimeouts", &setTimeouts))
            return "FT_SetTimeouts";
        if (!bindSymbol(library, "FT_GetQueueStatus", &getQueueStatus))
            return "FT_GetQueueStatus";
        if (!bindSymbol(library, "FT_SetBaudRate", &setBaudRate))
            return "FT_SetBaudRate";
        if (!bindSymbol(library, "FT_SetEventNotification", &setEventNotification)) {
            return "FT_SetEventNotification";
        }
        if (!bindSymbol(library, "FT_GetStatus", &getStatus))
            return "FT_GetStatus";
        if (!bindSymbol(library, "FT_ClrRts", &clrRts))
            return "FT_ClrRts";
        return nullptr;
    }
};

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
        if (state != State::Pending)
            return false;
        state = State::Running;
        return true;
    }
    void finish() {
        std::lock_guard lock(mutex);
        if (state == State::Running)
            state = State::Done;
        cv.notify_all();
    }
    void abandon() {
        std::lock_guard lock(mutex);
        if (state == State::Pending || state == State::Running)
            state = State::Abandoned;
        cv.notify_all();
    }
    void waitAnswered() {
        std::unique_lock lock(mutex);
        cv.wait(lock, [this] { return state == State::Done || state == State::Abandoned; });
    }
};

namespace {

// Travels with the queued call; when Qt drops the call unrun (its context object was
// destroyed), the waiting thread is released rather than left waiting for the stop.
template <typename Handshake>
struct AbandonOnDrop {
    explicit AbandonOnDrop(std::shared_ptr<Handshake> call) : handshake(std::move(call)) {}
    AbandonOnDrop(const AbandonOnDrop&) = delete;
    AbandonOnDrop& operator=(const AbandonOnDrop&) = delete;
    ~AbandonOnDrop() { handshake->abandon(); }

    std::shared_ptr<Handshake> handshake;
};

}  // namespace

UsbAdapter::UsbAdapter(UsbAdapterHost& host, std::string library)
    : host_(host), libraryName_(std::move(library)) {}

UsbAdapter::~UsbAdapter() {
    close();
}

void UsbAdapter::fail(bool quiet, std::string_view text) {
    if (!quiet)
        host_.showMessage(text);
}

void UsbAdapter::release() {
    api_.reset();
    if (library_ != nullptr)
        ::dlclose(library_);
    library_ = nullptr;
}

int UsbAdapter::open(bool quiet) {
    if (device_ != nullptr)
        return 0;

    library_ = ::dlopen(libraryName_.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (library_ == nullptr) {
        fail(quiet, usb_text::kUnableToLoad);
        return 1;
    }
    api_ = std::make_unique<Api>();
    if (const char* missing = api_->bind(library_)) {
        const std::string_view name(missing);
        // These three boxes are shown even when quiet.
        if (name == "FT_SetEventNotification")
            host_.showSystemMessage(usb_text::kNoSetEventNotification);
        if (name == "FT_GetStatus")
            host_.showSystemMessage(usb_text::kNoGetStatus);
        if (name == "FT_ClrRts")
            host_.showSystemMessage(usb_text::kNoClrRts);
        release();
        fail(quiet, usb_text::kUnableToLoad);
        return 1;
    }

    char description[] = "Vexa-Plug";
    FtHandle handle = nullptr;
    if (api_->openEx(description, kFtOpenByDescription, &handle) != kFtOk || handle == nullptr) {
        release();
        fail(quiet, usb_text::kUnableToFind);
        return 1;
    }
    if (api_->setBaudRate(handle, kAdapterBaud) != kFtOk) {
        api_->close(handle);
        release();
        fail(quiet, usb_text::kBaudRefused);
        return 1;
    }
    device_ = handle;
    return 0;
}

int UsbAdapter::startNotificationThread(QObject* context, std::function<void()> specialChange) {
    if (device_ == nullptr || !api_ || api_->setEventNotification == nullptr) {
        host_.showSystemMessage(usb_text::kNotificationNotValid);
        return 1;
    }
    if (thread_.joinable())
        return 0;

    if (!eventReady_) {
        event_ = std::make_unique<EventHandle>();
        pthread_condattr_t attributes;
        pthread_condattr_init(&attributes);
        pthread_condattr_setclock(&attributes, CLOCK_MONOTONIC);
        pthread_cond_init(&event_->eCondVar, &attributes);
        pthread_condattr_destroy(&attributes);
        pthread_mutex_init(&event_->eMutex, nullptr);
        event_->iVar = 0;
        eventReady_ = true;
    }
    if (api_->setEventNotification(device_, kFtEventRxChar | kFtEventModemStatus, event_.get()) !=
        kFtOk) {
        host_.showSystemMessage(usb_text::kNotificationNotValid);
        return 1;
    }

    context_ = context;
    specialChange_ = std::move(specialChange);
    stopRequested_.store(false);
    unreadLeft_.store(0);
    threadRunning_.store(true);
    try {
        thread_ = std::thread([this] { run(); });
    } catch (const std::system_error&) {
        threadRunning_.store(false);
        return 1;
    }
    return 0;
}

bool UsbAdapter::notificationThreadRunning() const {
    return threadRunning_.load();
}

void UsbAdapter::run() {
    while (!stopRequested_.load()) {
        bool signalled = false;
        pthread_mutex_lock(&event_->eMutex);
        // Checked under the event's mutex: the stop signals under it too, so the wake-up
        // cannot fall between this test and the wait.
        if (!stopRequested_.load()) {
            timespec deadline{};
            clock_gettime(CLOCK_MONOTONIC, &deadline);
            deadline.tv_nsec += kPollNanoseconds;
            if (deadline.tv_nsec >= 1000000000L) {
                deadline.tv_sec += 1;
                deadline.tv_nsec -= 1000000000L;
            }
            signalled = pthread_cond_timedwait(&event_->eCondVar, &event_->eMutex, &deadline) == 0;
        }
        pthread_mutex_unlock(&event_->eMutex);
        if (stopRequested_.load())
            break;

        Dword waiting = 0;
        if (api_->getQueueStatus(device_, &waiting) != kFtOk)
            waiting = 0;
        if (!signalled && waiting <= unreadLeft_.load())
            continue;

        auto handshake = std::make_shared<Handshake>();
        {
            std::lock_guard lock(handshakeMutex_);
            if (stopRequested_.load())
                break;
            pending_ = handshake;
        }
        auto guard = std::make_shared<AbandonOnDrop<Handshake>>(handshake);
        QMetaObject::invokeMethod(
            context_,
            [guard, call = specialChange_] {
                if (guard->handshake->begin()) {
                    call();
                    guard->handshake->finish();
                }
            },
            Qt::QueuedConnection);
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
    if (!thread_.joinable())
        return;
    stopRequested_.store(true);
    {
        std::lock_guard lock(handshakeMutex_);
        if (pending_)
            pending_->abandon();
    }
    pthread_mutex_lock(&event_->eMutex);
    pthread_cond_broadcast(&event_->eCondVar);
    pthread_mutex_unlock(&event_->eMutex);
    thread_.join();
    context_ = nullptr;
    specialChange_ = nullptr;
}

void UsbAdapter::close() {
    stopThread();
    if (device_ != nullptr)
        api_->close(device_);
    device_ = nullptr;
    // The library may signal the event until the device is closed; only now is it unused.
    if (eventReady_) {
        pthread_cond_destroy(&event_->eCondVar);
        pthread_mutex_destroy(&event_->eMutex);
        event_.reset();
        eventReady_ = false;
    }
    release();
    inUse_ = false;
}

void UsbAdapter::write(std::string_view text) {
    if (device_ == nullptr)
        return;
    std::string bytes(text);
    Dword written = 0;
    api_->write(device_, bytes.data(), static_cast<Dword>(bytes.size()), &written);
}

int UsbAdapter::onUsbData(const std::function<void(std::string_view)>& dispatch) {
    if (device_ == nullptr)
        return 0;
    Dword inQueue = 0;
    Dword outQueue = 0;
    Dword eventStatus = 0;
    if (api_->getStatus(device_, &inQueue, &outQueue, &eventStatus) != kFtOk) {
        Dword waiting = 0;
        unreadLeft_.store(api_->getQueueStatus(device_, &waiting) == kFtOk ? waiting : 0);
        return 0;
    }
    if (eventStatus != kFtEventRxChar) {
        // Left for the next notification that reports received characters alone.
        unreadLeft_.store(inQueue);
        return 0;
    }
    unreadLeft_.store(0);
    char chunk[kUsbChunkSize + 1];
    Dword remaining = inQueue;
    while (remaining > 0) {
        const Dword wanted = std::min<Dword>(kUsbChunkSize, remaining);
        Dword got = 0;
        if (api_->read(device_, chunk, wanted, &got) != kFtOk)
            break;
        got = std::min(got, wanted);
        remaining -= got;
        for (Dword i = 0; i < got; ++i) {
            if (!printableOrWhite(static_cast<unsigned char>(chunk[i])))
                chunk[i] = '?';
        }
        chunk[got] = '\0';
        dispatch(std::string_view(chunk, got));
        // The consumer may have closed the adapter (a message loop ran inside it).
        if (device_ == nullptr)
            return 0;
        if (got != kUsbChunkSize)
            break;
    }
    return 0;
}

}  // namespace vn340
