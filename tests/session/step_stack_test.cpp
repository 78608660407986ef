#include "session/step_stack.h"

#include <gtest/gtest.h>

namespace vn340 {
namespace {

// Configurations that differ in the high endpoint alone, by the step that made each.
GyroConfig withHigh(int value) {
    GyroConfig config;
    loadDefaults(config);
    config.highEndpoint = value;
    return config;
}

TEST(StepStackTest, UndoAndRedoBringBackEveryEarlierScreenInOrder) {
    const char* const names[] = {"High endpoint", "Load defaults", "Load from file"};
    StepStack stack;
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(stack.record(names[i], withHigh(i), withHigh(i + 1)));
    }
    EXPECT_FALSE(stack.record("Servo speed", withHigh(3), withHigh(3)))
        << "a change that changed nothing is no step";
    EXPECT_EQ(stack.count(), 3u);
    EXPECT_EQ(stack.redoName(), "");

    for (int i = 2; i >= 0; --i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(stack.undoName(), names[i]);
        EXPECT_EQ(stack.undo(), withHigh(i));
        EXPECT_EQ(stack.redoName(), names[i]);
    }
    EXPECT_EQ(stack.undo(), std::nullopt) << "nothing before the first step";
    EXPECT_EQ(stack.undoName(), "");
    for (int i = 1; i <= 3; ++i) {
        EXPECT_EQ(stack.redo(), withHigh(i)) << i;
    }
    EXPECT_EQ(stack.redo(), std::nullopt) << "nothing after the last step";
    EXPECT_EQ(stack.done(), 3u);
}

// A change made after undoing is the newest step: what was undone cannot be redone over it.
TEST(StepStackTest, AStepAfterAnUndoTakesThePlaceOfWhatWasUndone) {
    StepStack stack;
    stack.record("High endpoint", withHigh(0), withHigh(1));
    stack.record("High endpoint", withHigh(1), withHigh(2));
    stack.undo();
    ASSERT_TRUE(stack.record("Low endpoint", withHigh(1), withHigh(5)));
    EXPECT_FALSE(stack.canRedo());
    EXPECT_EQ(stack.count(), 2u);
    EXPECT_EQ(stack.undo(), withHigh(1));
    EXPECT_EQ(stack.redo(), withHigh(5));
}

// The steps are kept up to their limit exactly; one more lets the oldest go, and undo then stops
// at the oldest step still kept.
TEST(StepStackTest, BeyondItsLimitTheOldestStepGoes) {
    StepStack stack;
    const int limit = static_cast<int>(StepStack::kMaxSteps);
    for (int i = 0; i < limit; ++i) {
        stack.record("High endpoint", withHigh(i), withHigh(i + 1));
    }
    EXPECT_EQ(stack.count(), StepStack::kMaxSteps);
    stack.record("High endpoint", withHigh(limit), withHigh(limit + 1));
    EXPECT_EQ(stack.done(), StepStack::kMaxSteps);
    std::optional<GyroConfig> oldest;
    while (const std::optional<GyroConfig> back = stack.undo()) {
        oldest = back;
    }
    EXPECT_EQ(oldest, withHigh(1)) << "the first step went";
}

}  // namespace
}  // namespace vn340
