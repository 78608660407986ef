// A wait that runs out must fail the GoogleTest test it is in.

#include "eventually.h"

#include <gtest/gtest-spi.h>

#include <QTimer>

namespace vn340::testing {
namespace {

using namespace std::chrono_literals;

TEST(Eventually, AConditionThatNeverComesAboutFailsTheTest) {
    EXPECT_NONFATAL_FAILURE(EXPECT_TRUE(eventually([] { return false; }, 20ms)),
                            "not so within 20 ms");
}

TEST(Eventually, AConditionTheEventLoopBringsAboutPasses) {
    bool fired = false;
    QTimer::singleShot(10, [&fired] { fired = true; });
    EXPECT_TRUE(eventually([&fired] { return fired; }));
}

}  // namespace
}  // namespace vn340::testing
