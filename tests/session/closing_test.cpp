// What the window's closing and title learn from the core: whether the screen has changed
// since it was last read, stored, loaded or saved, the screen kept in the history when it has,
// and the note the next start tells once.

#include "history_fixture.h"

namespace vn340::testing {
namespace {

class ClosingTest : public HistoryTest {
  protected:
    void SetUp() override {
        startWithGyro();
        attach();
        read();
        serial = model().serialNumber;
        pilot.savePath = pilot.loadPath = "/models/setup.tsf";
    }
    // The snapshots kept as the window closed.
    std::size_t keptAtClose() {
        history->keepAtClose();
        std::size_t closed = 0;
        for (const Snapshot& snapshot : kept(serial)) {
            closed += snapshot.kind == SnapshotKind::Closed ? 1 : 0;
        }
        return closed;
    }
    std::string serial;
};

TEST_F(ClosingTest, AScreenChangedSinceItWasLastSettledIsKeptAtClose) {
    const std::function<void()> change = [this] { leaveHighEndpoint(120); };
    const std::function<void()> undo = [this] { history->undo(); };
    const std::function<void()> save = [this] { controller->saveToFile(); };
    const std::function<void()> storeIt = [this] { store(); };
    const std::function<void()> changeAgain = [this] { leaveHighEndpoint(125); };
    const std::function<void()> load = [this] { controller->loadFromFile(); };
    const std::function<void()> comments = [this] { leaveComments("Goblin 380"); };
    const struct {
        const char* what;
        std::vector<std::function<void()>> before;  // the pilot's steps after the read
        std::size_t kept;
    } rows[] = {
        {"read, nothing changed", {}, 0},
        {"a box changed", {change}, 1},
        {"a box changed and undone", {change, undo}, 0},
        {"a box changed, then saved", {change, save}, 0},
        {"a box changed, then stored", {change, storeIt}, 0},
        {"saved, then the comments changed", {save, comments}, 1},
        {"a file loaded over a changed screen", {change, save, changeAgain, load}, 0},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        pilot = ScriptedPilot();
        platform.memoryFiles.files.clear();
        history.reset();
        controller.reset();
        SetUp();
        for (const auto& step : row.before) {
            step();
        }
        EXPECT_EQ(keptAtClose(), row.kept);
        EXPECT_TRUE(pilot.messages.empty()) << "no question, no message at close";
    }
}

TEST_F(ClosingTest, TheNextStartTellsOnceWhereTheClosedScreenIs) {
    leaveHighEndpoint(120);
    ASSERT_EQ(keptAtClose(), 1u);
    const std::string name = kept(serial)[0].path.substr(std::string(kHistoryFolder).size() + 1);
    attach();  // the next start
    EXPECT_EQ(history->closedNote(), closedNoteText(name));
    EXPECT_EQ(history->closedNote(), std::nullopt);
}

TEST_F(ClosingTest, TheTitlesFileIsTheLastLoadedOrSavedAndMarkedWhileTheScreenDiffers) {
    const ScreenOrigin& origin = history->origin();
    EXPECT_EQ(origin.file(), std::nullopt) << "a read names no file";
    controller->saveToFile();
    EXPECT_EQ(origin.file(), "/models/setup.tsf");
    EXPECT_FALSE(origin.differsFromFile());
    leaveHighEndpoint(model().highEndpoint + 1);
    EXPECT_TRUE(origin.differsFromFile());
    leaveHighEndpoint(model().highEndpoint - 1);
    EXPECT_FALSE(origin.differsFromFile()) << "back to what the file holds";
    pilot.loadPath = "/models/missing.tsf";  // refused: the title keeps its file
    controller->loadFromFile();
    EXPECT_EQ(origin.file(), "/models/setup.tsf");
}

}  // namespace
}  // namespace vn340::testing
