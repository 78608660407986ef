#include "session/step_stack.h"

#include <gtest/gtest.h>

#include <functional>
#include <utility>

#include "config/settings_codec.h"
#include "config/settings_comments.h"

namespace vn340 {
namespace {

TEST(StepStackTest, UndoAndRedoBringBackEveryEarlierScreenInOrder) {
    GyroConfig screen;
    loadDefaults(screen);
    screen.highEndpoint = 80;
    StepStack stack;

    using Change = std::function<void(GyroConfig&)>;
    GyroConfig fileConfig = screen;
    fileConfig.midpointTrim = -30;
    fileConfig.userComments = "from the file\n";
    const std::string file =
        encodeSettingsFile("", fileConfig, splitAtLineBreaks(fileConfig.userComments));
    const std::pair<std::string, Change> steps[] = {
        {"High endpoint", [](GyroConfig& c) { c.highEndpoint = 130; }},
        {"Servo",
         [](GyroConfig& c) {
             c.servoModel = 9;  // "Futaba BLS251" brings its type and speed
             applyServoSelection(c);
         }},
        {"Load defaults", [](GyroConfig& c) { loadDefaults(c); }},
        {"Load from file", [&](GyroConfig& c) { c = decodeSettingsFile(file, c).config; }},
        {"Direction", [](GyroConfig& c) { c.direction = Direction::Reverse; }},
    };
    std::vector<GyroConfig> screens{screen};
    for (const auto& [name, change] : steps) {
        change(screen);
        ASSERT_TRUE(stack.record(name, screens.back(), screen));
        screens.push_back(screen);
    }
    EXPECT_FALSE(stack.record("Servo speed", screen, screen))
        << "a change that changed nothing is no step";
    EXPECT_EQ(stack.count(), 5u);
    EXPECT_EQ(stack.redoName(), "");

    for (int i = 4; i >= 0; --i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(stack.undoName(), steps[i].first);
        const std::optional<GyroConfig> back = stack.undo();
        ASSERT_TRUE(back);
        EXPECT_TRUE(*back == screens[static_cast<std::size_t>(i)]);
        EXPECT_EQ(stack.redoName(), steps[i].first);
    }
    EXPECT_FALSE(stack.canUndo());
    EXPECT_FALSE(stack.undo()) << "nothing before the first step";
    EXPECT_EQ(stack.undoName(), "");
    for (int i = 1; i <= 5; ++i) {
        SCOPED_TRACE(i);
        const std::optional<GyroConfig> again = stack.redo();
        ASSERT_TRUE(again);
        EXPECT_TRUE(*again == screens[static_cast<std::size_t>(i)]);
    }
    EXPECT_FALSE(stack.redo()) << "nothing after the last step";
    EXPECT_EQ(stack.done(), 5u);
}

// A change made after undoing is the newest step: what was undone cannot be redone over it.
TEST(StepStackTest, AStepAfterAnUndoTakesThePlaceOfWhatWasUndone) {
    GyroConfig a, b, c, d;
    b.highEndpoint = 1;
    c.highEndpoint = 2;
    d.lowEndpoint = 3;
    StepStack stack;
    stack.record("High endpoint", a, b);
    stack.record("High endpoint", b, c);
    stack.undo();
    ASSERT_TRUE(stack.record("Low endpoint", b, d));
    EXPECT_FALSE(stack.canRedo());
    EXPECT_EQ(stack.count(), 2u);
    EXPECT_TRUE(*stack.undo() == b);
    EXPECT_TRUE(*stack.redo() == d);
}

}  // namespace
}  // namespace vn340
