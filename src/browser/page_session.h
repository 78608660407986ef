#pragma once

// The program as the page runs it: the controller the window and the command line use, over
// the page's screen, port list, front end and ports, on the platform the page runs on. The
// page's script calls these for what the pilot does and what its ports tell; the module's
// bindings are no more than the way through.

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/signal.h"
#include "browser/page_events.h"
#include "browser/page_front_end.h"
#include "browser/page_ports.h"
#include "browser/page_screen.h"
#include "browser/page_statistics.h"
#include "browser/simulated_gyro_port.h"
#include "link/memory_port_selector.h"
#include "live/live_recording.h"
#include "session/config_controller.h"
#include "session/pilot_history.h"

namespace vn340 {

// A settings file the module has written for the page to hand to the pilot.
struct SavedFile {
    std::string name;
    std::string bytes;
};

class PageSession {
  public:
    // The platform over the page's ports: the browser's in the module, a virtual one in tests.
    using MakePlatform = std::function<std::unique_ptr<Platform>(PagePorts&)>;

    // Settings files pass through `fileFolder` on their way in and out; the history is kept in
    // paths.historyFolder. `events` outlives the session.
    PageSession(PageEvents& events, const MakePlatform& makePlatform, const ProgramPaths& paths,
                std::string fileFolder);
    ~PageSession();
    PageSession(const PageSession&) = delete;
    PageSession& operator=(const PageSession&) = delete;

    // The window's start: the preferences, the ports the page has opened so far, the factory
    // settings on screen.
    void start();

    // --- what the pilot does on the page ---
    void setBox(BoxField field, std::string text);
    void boxLeft(NumericField field);
    void commentsLeft(const std::string& comments);
    // Positions in the lists; one outside a list is no choice and is ignored.
    void chooseServo(int position);
    void chooseType(int position);
    void chooseSpeed(int position);
    void chooseDirection(Direction direction);
    // Setting::AccelProfile or Setting::DecelProfile.
    void moveProfile(Setting profile, int position);
    void selectPort(const std::string& name);
    void read();
    // After the pilot agreed to the safety warning, where the preferences ask for it.
    void store(bool dontShowAgain);
    void loadDefaults();
    // A settings file the pilot picked, as the page read it.
    void loadFile(std::string_view name, std::string_view bytes);
    // The configuration on screen as a settings file; none when the pilot has been told why not.
    std::optional<SavedFile> saveFile();
    // "Try without a gyro": the simulated gyro in the module, opened as a port of the page's.
    void trySimulatedGyro();

    // --- the statistics offer after a read (PageEvents::statisticsOffered) ---
    // How the pilot closed it; after "Send", what the page is to fetch.
    std::optional<StatisticsRequest> answerStatistics(const PilotChoice& choice) {
        return statistics_->answer(choice);
    }
    void statisticsFetched(const FetchedAnswer& answer) { statistics_->fetched(answer); }

    // --- the gyro's live signals ---
    // Starts the diagnostics, or stops them when they run.
    void diagnostics();
    // Every round from now on into a CSV file; false when it could not be started (the pilot
    // has been told why).
    bool startRecording();
    // The recording so far, ended; none when there was none.
    std::optional<SavedFile> stopRecording();
    bool recording() const { return recording_ != nullptr; }

    // --- what keeps the pilot's work: undo and redo, the gyro's values, the history ---
    void undo();
    void redo();
    void revertToGyro();
    // Reads the gyro beside the screen; the page hears of it through PageEvents::compared.
    void compareWithGyro();
    // The snapshot of the history at `path` on the screen, as a file is loaded.
    void loadSnapshot(const std::string& path);
    // Newest first, every gyro's.
    std::vector<Snapshot> snapshots() const;
    // The page is going: a screen changed since it was last read, stored, loaded or saved is
    // kept in the history, as the window keeps it when it closes.
    void close();

    // --- what the page's ports tell ---
    // A port the pilot has just connected is taken into use, unless one already is.
    void portOpened(const std::string& name);
    void bytesArrived(std::string_view name, std::string_view bytes);
    void portGone(std::string_view name);

    // --- what the page draws ---
    const PageScreen& screen() const { return screen_; }
    const MemoryPortSelector& portList() const { return portList_; }
    // The port list's entries but "USB": the browser has no D2XX library.
    std::vector<std::string> offeredPorts() const;
    const ConfigController& controller() const { return *controller_; }
    bool safetyAgreementNeeded() const { return !controller_->preferences().skipSafetyWarning; }
    const PilotHistory& history() const { return *history_; }
    // The gyro of "Try without a gyro"; none until the pilot has tried it.
    GyroSimulator* simulatedGyro() { return simulated_ ? &simulated_->gyro() : nullptr; }

  private:
    // Whether the page may act now: nothing changes the screen while a sequence runs.
    bool idle() const { return !controller_->busy(); }
    void liveRound(const LiveSignals& signals);
    // After anything that may have changed what the page draws or the files the module keeps.
    void told();

    PageEvents& events_;
    std::string fileFolder_;
    PagePorts ports_;
    std::unique_ptr<Platform> platform_;
    PageScreen screen_;
    MemoryPortSelector portList_;
    PageFrontEnd frontEnd_;
    std::unique_ptr<SimulatedGyroPort> simulated_;
    std::unique_ptr<ConfigController> controller_;
    std::unique_ptr<PilotHistory> history_;
    std::unique_ptr<PageStatistics> statistics_;
    std::unique_ptr<LiveRecording> recording_;
    Connections connections_;
};

}  // namespace vn340
