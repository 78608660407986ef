#include "base/signal.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace vn340 {
namespace {

TEST(SignalTest, ListenersAreCalledInTheOrderTheyConnectedWhileConnected) {
    Signal<int> signal;
    std::vector<std::string> heard;
    Connection first = signal.connect([&](int n) { heard.push_back("a" + std::to_string(n)); });
    Connection second = signal.connect([&](int n) { heard.push_back("b" + std::to_string(n)); });
    signal(1);
    first.disconnect();
    signal(2);
    {
        Connection moved = std::move(second);
        signal(3);
    }
    signal(4);
    EXPECT_EQ(heard, (std::vector<std::string>{"a1", "b1", "b2", "b3"}));
}

// A listener may end its own connection, or a later listener's, while it is being called: the
// later one is then not called, and nothing that was freed is.
TEST(SignalTest, AListenerMayDisconnectListenersAsItIsCalled) {
    Signal<> signal;
    std::vector<std::string> heard;
    std::optional<Connection> self;
    std::optional<Connection> later;
    self = signal.connect([&] {
        heard.push_back("self");
        self.reset();
        later.reset();
    });
    later = signal.connect([&] { heard.push_back("later"); });
    signal();
    signal();
    EXPECT_EQ(heard, std::vector<std::string>{"self"});
}

TEST(SignalTest, EitherEndMayGoFirst) {
    auto signal = std::make_unique<Signal<>>();
    int heard = 0;
    Connections connections;
    connections += signal->connect([&] { ++heard; });
    (*signal)();
    signal.reset();
    EXPECT_EQ(heard, 1) << "the connection outlives the signal and ends without it";
}

}  // namespace
}  // namespace vn340
