#include "base/stop_requests.h"

#include <windows.h>

#include <mutex>

namespace vn340 {
namespace {

struct Listening {
    StopRequests::Handler handler;
};

// The console runs its control handler on a thread of its own, which posts to the loop.
std::mutex listenerMutex;
std::weak_ptr<Listening> listener;
EventLoop* listenerLoop = nullptr;

StopRequest requestOf(DWORD type) {
    switch (type) {
        case CTRL_C_EVENT:
        case CTRL_BREAK_EVENT:
            return StopRequest::Interrupt;
        case CTRL_CLOSE_EVENT:
            return StopRequest::HangUp;
        default:  // a log-off or a shutdown
            return StopRequest::Terminate;
    }
}

BOOL WINAPI onControl(DWORD type) {
    const std::lock_guard lock(listenerMutex);
    if (listener.expired() || listenerLoop == nullptr) {
        return FALSE;
    }
    listenerLoop->post([weak = listener, request = requestOf(type)] {
        if (const std::shared_ptr<Listening> alive = weak.lock()) {
            alive->handler(request);
        }
    });
    return TRUE;
}

class WindowsStopRequests final : public StopRequests {
  public:
    WindowsStopRequests(Handler handler, EventLoop& loop)
        : listening_(std::make_shared<Listening>(Listening{std::move(handler)})) {
        {
            const std::lock_guard lock(listenerMutex);
            listener = listening_;
            listenerLoop = &loop;
        }
        ::SetConsoleCtrlHandler(onControl, TRUE);
    }
    ~WindowsStopRequests() override {
        ::SetConsoleCtrlHandler(onControl, FALSE);
        const std::lock_guard lock(listenerMutex);
        listener.reset();
        listenerLoop = nullptr;
    }

  private:
    std::shared_ptr<Listening> listening_;
};

}  // namespace

std::unique_ptr<StopRequests> StopRequests::listen(Handler handler, EventLoop& loop) {
    return std::make_unique<WindowsStopRequests>(std::move(handler), loop);
}

}  // namespace vn340
