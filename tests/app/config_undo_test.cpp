#include "app/config_undo.h"

#include <gtest/gtest.h>

#include <QUndoStack>

#include "config/settings_codec.h"
#include "config/settings_comments.h"

namespace vn340 {
namespace {

// A screen that only holds what is put on it, and how often that happened.
struct Screen {
    GyroConfig shown;
    int shows = 0;
    ConfigStep::Apply apply() {
        return [this](const GyroConfig& config) {
            shown = config;
            ++shows;
        };
    }
};

TEST(ConfigUndoTest, UndoAndRedoBringBackEveryEarlierScreenInOrder) {
    Screen screen;
    loadDefaults(screen.shown);
    screen.shown.highEndpoint = 80;
    QUndoStack stack;

    using Change = std::function<void(GyroConfig&)>;
    GyroConfig fileConfig = screen.shown;
    fileConfig.midpointTrim = -30;
    fileConfig.userComments = "from the file\n";
    const std::string file =
        encodeSettingsFile("", fileConfig, splitAtLineBreaks(fileConfig.userComments));
    const std::pair<QString, Change> steps[] = {
        {stepName(Setting::HighEndpoint), [](GyroConfig& c) { c.highEndpoint = 130; }},
        {stepName(Setting::Servo),
         [](GyroConfig& c) {
             c.servoModel = 9;  // "Futaba BLS251" brings its type and speed
             applyServoSelection(c);
         }},
        {step_name::kLoadDefaults, [](GyroConfig& c) { loadDefaults(c); }},
        {step_name::kLoadFromFile, [&](GyroConfig& c) { c = decodeSettingsFile(file, c).config; }},
        {stepName(Setting::Direction), [](GyroConfig& c) { c.direction = Direction::Reverse; }},
    };
    std::vector<GyroConfig> screens{screen.shown};
    for (const auto& [name, change] : steps) {
        GyroConfig after = screen.shown;
        change(after);
        screen.shown = after;  // the window changed the screen itself
        ASSERT_TRUE(recordStep(stack, name, screens.back(), after, screen.apply()));
        screens.push_back(after);
    }
    EXPECT_EQ(screen.shows, 0) << "recording a step shows nothing again";
    EXPECT_FALSE(
        recordStep(stack, stepName(Setting::Speed), screen.shown, screen.shown, screen.apply()))
        << "a change that changed nothing is no step";
    EXPECT_EQ(stack.count(), 5);

    for (int i = 4; i >= 0; --i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(stack.undoText(), steps[i].first);
        stack.undo();
        EXPECT_TRUE(screen.shown == screens[static_cast<std::size_t>(i)]);
    }
    EXPECT_FALSE(stack.canUndo());
    for (int i = 1; i <= 5; ++i) {
        SCOPED_TRACE(i);
        stack.redo();
        EXPECT_TRUE(screen.shown == screens[static_cast<std::size_t>(i)]);
    }
    EXPECT_EQ(screen.shows, 10);
}

}  // namespace
}  // namespace vn340
