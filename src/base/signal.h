#pragma once

// A notification with any number of listeners, without a framework: what the program's core
// tells its shells ("a sequence has ended", "the screen changed"). Listeners are called in the
// order they connected, on the thread that emits. A listener stays connected while its
// Connection lives; either end may go first, and a listener may disconnect itself, or another,
// while it is being called.

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <utility>
#include <vector>

namespace vn340 {

// Ends a connection when it goes (or on disconnect()); empty when default-made or moved from.
class Connection {
  public:
    Connection() = default;
    explicit Connection(std::function<void()> disconnect) : disconnect_(std::move(disconnect)) {}
    Connection(Connection&& other) noexcept : disconnect_(std::exchange(other.disconnect_, {})) {}
    Connection& operator=(Connection&& other) noexcept {
        if (this != &other) {
            disconnect();
            disconnect_ = std::exchange(other.disconnect_, {});
        }
        return *this;
    }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;
    ~Connection() { disconnect(); }

    void disconnect() {
        if (disconnect_) {
            std::exchange(disconnect_, {})();
        }
    }

  private:
    std::function<void()> disconnect_;
};

// Connections that end together, with their owner.
class Connections {
  public:
    void add(Connection connection) { held_.push_back(std::move(connection)); }
    Connections& operator+=(Connection connection) {
        add(std::move(connection));
        return *this;
    }

  private:
    std::vector<Connection> held_;
};

template <typename... Args>
class Signal {
  public:
    using Slot = std::function<void(Args...)>;

    Signal() = default;
    Signal(const Signal&) = delete;
    Signal& operator=(const Signal&) = delete;

    // Listening changes nothing of what is listened to: a const one may be listened to.
    [[nodiscard]] Connection connect(Slot slot) const {
        const std::uint64_t id = listeners_->next++;
        listeners_->listening.emplace(id, std::make_shared<Slot>(std::move(slot)));
        std::weak_ptr<Listeners> listeners = listeners_;
        return Connection([listeners, id] {
            if (const std::shared_ptr<Listeners> alive = listeners.lock()) {
                alive->listening.erase(id);
            }
        });
    }

    // Calls every listener connected now that is still connected when its turn comes.
    void operator()(const Args&... args) const {
        std::vector<std::pair<std::uint64_t, std::weak_ptr<Slot>>> now;
        for (const auto& [id, slot] : listeners_->listening) {
            now.emplace_back(id, slot);
        }
        for (const auto& [id, slot] : now) {
            if (listeners_->listening.count(id) != 0) {
                if (const std::shared_ptr<Slot> call = slot.lock()) {
                    (*call)(args...);
                }
            }
        }
    }

  private:
    struct Listeners {
        std::uint64_t next = 0;
        std::map<std::uint64_t, std::shared_ptr<Slot>> listening;
    };
    std::shared_ptr<Listeners> listeners_ = std::make_shared<Listeners>();
};

}  // namespace vn340
