#pragma once

// Waiting in a GUI test for what the event loop brings about. Qt's QTRY_ macros report a
// time-out only to Qt's own test log and return, which GoogleTest never sees; this gives the
// wait's outcome to a GoogleTest assertion instead:
//     EXPECT_TRUE(eventually([&] { return status() == "Read complete"; })) << status();

#include <gtest/gtest.h>

#include <QTest>

#include <chrono>

namespace vn340::testing {

inline constexpr std::chrono::milliseconds kEventuallyTimeout{5000};

// Runs the event loop until `condition` holds, for at most `timeout`.
template <typename Condition>
::testing::AssertionResult eventually(Condition condition,
                                      std::chrono::milliseconds timeout = kEventuallyTimeout) {
    if (QTest::qWaitFor(condition, static_cast<int>(timeout.count()))) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure() << "not so within " << timeout.count() << " ms";
}

}  // namespace vn340::testing
