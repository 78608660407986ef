#include "browser/browser_event_loop.h"

#include <emscripten/eventloop.h>
#include <emscripten/html5.h>

#include <utility>

namespace vn340 {

BrowserEventLoop::~BrowserEventLoop() {
    for (const auto& [id, pending] : pending_) {
        emscripten_clear_timeout(pending.timeout);
    }
}

EventLoop::TimerId BrowserEventLoop::startTimer(std::chrono::milliseconds delay, Task task) {
    const TimerId id = next_++;
    auto ticket = std::make_unique<Ticket>(Ticket{this, id});
    const long timeout = emscripten_set_timeout(&BrowserEventLoop::fire,
                                                static_cast<double>(delay.count()), ticket.get());
    pending_.emplace(id, Pending{std::move(task), timeout, std::move(ticket)});
    return id;
}

void BrowserEventLoop::cancelTimer(TimerId id) {
    if (const auto found = pending_.find(id); found != pending_.end()) {
        emscripten_clear_timeout(found->second.timeout);
        pending_.erase(found);
    }
}

std::chrono::milliseconds BrowserEventLoop::steadyNow() const {
    return std::chrono::milliseconds(static_cast<long long>(emscripten_get_now()));
}

void BrowserEventLoop::fire(void* ticket) {
    const Ticket due = *static_cast<Ticket*>(ticket);
    const auto found = due.loop->pending_.find(due.id);
    if (found == due.loop->pending_.end()) {
        return;
    }
    // Out of the list before it runs: the task may start or cancel timers, this one's id
    // among them.
    Task task = std::move(found->second.task);
    due.loop->pending_.erase(found);
    task();
}

}  // namespace vn340
