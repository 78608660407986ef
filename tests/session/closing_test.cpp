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
        for (const Snapshot& snapshot : kept(serial))
            closed += snapshot.kind == SnapshotKind::Closed ? 1 : 0;
        return closed;
    }
    std::string serial;
};

TEST_F(ClosingTest, AScreenChangedSinceItWasLastSettledIsKeptAtClose) {
    const struct {
        const char* what;
        std::function<void()> before;
        std::size_t kept;
    } rows[] = {
        {"read, nothing changed", [] {}, 0},
        {"a box changed", [this] { leaveHighEndpoint(120); }, 1},
        {"a box changed and undone",
         [this] {
             leaveHighEndpoint(120);
             history->undo();
         },
         0},
        {"a box changed, then saved",
         [this] {
             leaveHighEndpoint(120);
             controller->saveToFile();
         },
         0},
        {"a box changed, then stored",
         [this] {
             leaveHighEndpoint(120);
             store();
         },
         0},
        {"saved, then the comments changed",
         [this] {
             controller->saveToFile();
             leaveComments("Goblin 380");
         },
         1},
        {"a file loaded over a changed screen",
         [this] {
             leaveHighEndpoint(120);
             controller->saveToFile();
             leaveHighEndpoint(125);
             controller->loadFromFile();
         },
         0},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        pilot = ScriptedPilot();
        platform.memoryFiles.files.clear();
        history.reset();
        controller.reset();
        SetUp();
        row.before();
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
