#pragma once

// The configuration on screen and everything that works on it: the model, the preferences and
// their stores, the sequence engine with its timers, and the adapter link. It carries out the
// pilot's actions; the screen only shows and reports, and the front end asks and tells.
//
// Every change the pilot makes to the configuration on screen passes through
// recordPilotChange(), named by its step, with the configuration before and after; and every
// sequence's end is signalled once, with its outcome, after the pilot has been shown it. That
// is where whatever keeps the pilot's changes (an undo stack, a history of reads and stores)
// attaches.

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "base/signal.h"
#include "config/field_table.h"
#include "config/gyro_config.h"
#include "config/preferences.h"
#include "config/profile_store.h"
#include "config/screen.h"
#include "protocol/compare_read.h"
#include "protocol/sequence_engine.h"
#include "protocol/sequence_outcome.h"
#include "session/platform.h"
#include "session/program_paths.h"

namespace vn340 {

class AdapterLink;
class PortSelector;

// One change of the configuration on screen, as the pilot made it.
struct PilotChange {
    std::string step;  // "Load defaults", "High endpoint", "Servo speed", "Read from gyro", ...
    GyroConfig before;
    GyroConfig after;
};

class ConfigController : private SequenceHost {
  public:
    // The screen and its port list show what the controller does, the front end asks and
    // tells; the platform gives the files, the transports, the device events, the timers and
    // the clock.
    ConfigController(Screen& screen, PortSelector& ports, FrontEnd& frontEnd, Platform& platform,
                     const ProgramPaths& paths);
    ~ConfigController() override;

    // The start, for the window, the command line and the tests alike: both transports idle;
    // the preferences file read (and made on a first start); the ports listed and the saved
    // one (or `port`, when given) opened, or, when none matches or the open fails, the gyro
    // buttons off and the saved port forgotten in memory; the engine idle, with the factory
    // configuration and its servo on screen.
    void start(const std::optional<std::string>& port = std::nullopt);
    // How sequences' ends are shown; the window's words through the front end until then.
    // `view` outlives the controller.
    void showOutcomesOn(OutcomeView& view) { outcomeView_ = &view; }

    // --- the pilot's actions ---
    // A read that leaves the statistics word on the gyro makes no offer.
    void readFromGyro(StatisticsWord statistics = StatisticsWord::HandOver);
    // After the safety agreement.
    void storeToGyro();
    void loadDefaults();
    void saveToFile();
    void loadFromFile();
    void detectAdapterPort();
    void portListOpened();
    void portListClosed();
    // The box being edited, if any, gets its check before diagnostics start showing the model.
    void diagnosticsCommand(std::optional<NumericField> boxBeingEdited);
    void servoChosen();
    void typeChosen(int position);
    void speedChosen();
    void directionChosen();
    // Setting::AccelProfile or Setting::DecelProfile.
    void profileMoved(Setting profile);
    // The field check of a box the pilot has left.
    void boxLeft(NumericField field);
    // The comment box's text as the pilot has left it: a step of its own, "User comments".
    void commentsLeft(const std::string& comments);
    // The window's first closing step: the USB adapter, if in use.
    void closeAdapter();

    // The one place every change the pilot makes to the configuration on screen passes, after
    // it was made: `before` is the configuration as it was, model() what it has become. A step
    // that left the configuration as it was (a box left unchanged, a refused file) is no change
    // and is not passed on.
    void recordPilotChange(std::string_view step, const GyroConfig& before);
    // Puts a configuration on screen as it is, as no step of the pilot's (undo and redo).
    void applyConfiguration(const GyroConfig& config);

    // A whole configuration put on screen as one step of the pilot's ("Use value").
    void applyAsStep(std::string_view step, const GyroConfig& config);
    // "Load from file" of a file already chosen (a snapshot of the history): no dialog, and
    // the folder the pilot last chose stays remembered.
    void loadFromFileAt(const std::string& path);
    // "Load from file" of a file the pilot chose outside the window (the command line, the
    // file manager), as though chosen in the dialog: its folder is remembered.
    void loadChosenFile(const std::string& path);
    // A read of the gyro's own beside the screen's engine ("Compare with gyro"), on the
    // program's timers and adapter; while it runs, the replies and the timers are its own.
    std::unique_ptr<GyroCompareRead> makeCompareRead();
    void runBeside(GyroCompareRead* read);

    // A sequence runs (a compare read beside the screen's included), or its outcome is being
    // shown: nothing may change the screen, and no other sequence may start.
    bool busy() const;
    // A store runs, or its outcome is being shown: the program must not end before it has.
    bool storing() const;
    // Whether a port to the adapter is open now.
    bool adapterOpen() const override;
    // The port the preferences name now; empty when none is chosen.
    std::string savedPort() const;

    const GyroConfig& model() const { return model_; }
    const Preferences& preferences() const { return prefs_; }
    // Where the preferences are kept, found as the controller starts.
    const std::string& preferencesFile() const { return prefsStore_.path(); }
    const SequenceEngine& engine() const { return *engine_; }
    const AdapterLink& link() const { return *link_; }

    // --- what it tells ---
    Signal<PilotChange> pilotChanged;
    // A sequence has ended and the pilot has been shown how; the controls are back and the
    // controller is no longer busy. After a store, model() is what it stored, or was storing.
    Signal<SequenceOutcome> outcomeShown;
    // A round of diagnostics brought the live signals.
    Signal<LiveSignals> liveSignalsArrived;
    // The factory configuration is on screen, as the window starts.
    Signal<> startedWithDefaults;
    // model() is now what the file at the path holds: it was loaded, or saved from the screen.
    Signal<std::string> fileLoaded;
    Signal<std::string> fileSaved;
    // The configuration on screen has changed, by a step of the pilot's or by undo and redo.
    Signal<> screenChanged;

  private:
    friend class ConfigDialogTestAccess;

    // Runs `edit` on the model as the step of that name.
    template <typename Edit>
    void change(std::string_view step, Edit edit);
    void choiceChange(Setting setting);
    // The engine that the timers and the received text belong to now.
    SequenceEngine& active() const;
    bool sideRunning() const;

    // SequenceHost
    void armTimer(SequenceTimer timer, std::chrono::milliseconds delay) override;
    void killTimer(SequenceTimer timer) override;
    void sendFrame(std::string_view frame) override;
    StatisticsAnswer offerStatistics() override;
    void sequenceEnded(const SequenceOutcome& outcome) override;
    void liveSignals(const LiveSignals& round) override;

    Screen& screen_;
    FrontEnd& frontEnd_;
    Platform& platform_;
    ProgramPaths paths_;
    GyroConfig model_;
    GyroConfig beforeRead_;
    Preferences prefs_;
    ProfileStore prefsStore_;
    ProfileStore settingsStore_;
    bool checking_ = false;
    // The outcome of a sequence is being shown to the pilot.
    bool showingOutcome_ = false;
    SequenceKind shownKind_ = SequenceKind::Read;
    FrontEndOutcomeView windowWords_;
    OutcomeView* outcomeView_ = &windowWords_;

    // In the order they are built: the transports, the device events and the link over them,
    // the engine that sends through it and works on model_ directly, and the timers that wake
    // the engine.
    std::unique_ptr<Transports> transports_;
    std::unique_ptr<DeviceEvents> deviceEvents_;
    std::unique_ptr<AdapterLink> link_;
    std::unique_ptr<SequenceEngine> engine_;
    std::unique_ptr<Timers> timers_;
    GyroCompareRead* side_ = nullptr;
};

}  // namespace vn340
