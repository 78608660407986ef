// The module's face to the page's script: the page session, its view and its lists as plain
// JavaScript values, and the page's callbacks as the session's events. Nothing is decided here.

#include <emscripten/bind.h>
#include <emscripten/val.h>

#include <array>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "browser/browser_platform.h"
#include "browser/page_session.h"
#include "browser/page_statistics_script.h"
#include "config/config_comparison.h"
#include "config/field_editor.h"
#include "config/history_store.h"
#include "session/safety_warning.h"

namespace vn340 {
namespace {

using emscripten::val;

// The page's names of the boxes.
constexpr std::array<std::pair<std::string_view, NumericField>, kNumericFieldCount> kNumberKeys{{
    {"highEndpoint", NumericField::HighEndpoint},
    {"lowEndpoint", NumericField::LowEndpoint},
    {"cwStopGain", NumericField::CwStopGain},
    {"ccwStopGain", NumericField::CcwStopGain},
    {"stickDeadband", NumericField::StickDeadband},
    {"avcsExpo", NumericField::AvcsExpo},
    {"rateExpo", NumericField::RateExpo},
    {"avcsSensitivity", NumericField::AvcsSensitivity},
    {"midpointTrim", NumericField::MidpointTrim},
}};
constexpr std::array<std::pair<std::string_view, TextField>, 4> kTextKeys{{
    {"firmwareVersion", TextField::FirmwareVersion},
    {"loaderVersion", TextField::LoaderVersion},
    {"serialNumber", TextField::SerialNumber},
    {"userComments", TextField::UserComments},
}};

std::string_view keyOf(BoxField field) {
    for (const auto& [key, number] : kNumberKeys) {
        if (field == BoxField{number}) {
            return key;
        }
    }
    for (const auto& [key, text] : kTextKeys) {
        if (field == BoxField{text}) {
            return key;
        }
    }
    return {};
}

std::optional<BoxField> boxOfKey(std::string_view key) {
    for (const auto& [name, number] : kNumberKeys) {
        if (name == key) {
            return number;
        }
    }
    for (const auto& [name, text] : kTextKeys) {
        if (name == key) {
            return text;
        }
    }
    return std::nullopt;
}

std::optional<NumericField> numberOfKey(std::string_view key) {
    const std::optional<BoxField> box = boxOfKey(key);
    if (box && std::holds_alternative<NumericField>(*box)) {
        return std::get<NumericField>(*box);
    }
    return std::nullopt;
}

val text(std::string_view s) {
    return val(std::string(s));
}

std::string json(const val& value) {
    return val::global("JSON").call<std::string>("stringify", value);
}

val bytesOf(std::string_view bytes) {
    const val view(emscripten::typed_memory_view(
        bytes.size(), reinterpret_cast<const unsigned char*>(bytes.data())));
    // A copy: the view points into the module's memory, which may move as it grows.
    return val::global("Uint8Array").new_(view);
}

std::string bytesFrom(const val& array) {
    const std::vector<unsigned char> bytes =
        emscripten::convertJSArrayToNumberVector<unsigned char>(array);
    return {bytes.begin(), bytes.end()};
}

val viewOf(const PageSession& session) {
    const PageScreen& screen = session.screen();
    val boxes = val::object();
    for (const BoxField& field : exchangeOrder()) {
        boxes.set(text(keyOf(field)), screen.boxText(field));
    }
    const GyroConfig& choices = screen.shownChoices();
    val ports = val::array();
    for (const std::string& name : session.offeredPorts()) {
        ports.call<void>("push", name);
    }
    const std::optional<std::string> selected = session.portList().selectedEntry();
    val view = val::object();
    view.set("boxes", boxes);
    view.set("servo", choices.servoModel);
    view.set("type", choices.servoType);
    view.set("speed", choices.servoSpeed);
    view.set("accel", choices.accelProfile);
    view.set("decel", choices.decelProfile);
    view.set("direction", choices.direction == Direction::Normal ? "normal" : "reverse");
    view.set("controlsEnabled", screen.controlsOn());
    view.set("gyroButtonsEnabled", session.portList().gyroButtonsOn());
    view.set("diagnosticsRunning", screen.diagnosticsRunning());
    view.set("ports", ports);
    view.set("selectedPort", selected ? val(*selected) : val::null());
    view.set("busy", session.controller().busy());
    view.set("storing", session.controller().storing());
    view.set("safetyAgreementNeeded", session.safetyAgreementNeeded());
    const StepStack& steps = session.history().steps();
    view.set("undo", steps.canUndo() ? val(steps.undoName()) : val::null());
    view.set("redo", steps.canRedo() ? val(steps.redoName()) : val::null());
    view.set("gyroKnown", session.history().gyroKnown().has_value());
    view.set("recording", session.recording());
    return view;
}

// The screen and the gyro side by side, setting by setting.
val comparisonOf(const GyroConfig& screen, const GyroConfig& gyro) {
    val rows = val::array();
    for (const SettingComparison& row : compareConfigurations(screen, gyro)) {
        val entry = val::object();
        entry.set("label", text(row.label));
        entry.set("screen", row.left);
        entry.set("gyro", row.right);
        entry.set("differs", row.differs);
        rows.call<void>("push", entry);
    }
    return rows;
}

val snapshotsOf(const PageSession& session) {
    val list = val::array();
    for (const Snapshot& snapshot : session.snapshots()) {
        val entry = val::object();
        entry.set("path", snapshot.path);
        entry.set("serialNumber", snapshot.serialNumber);
        entry.set("date", dateText(snapshot.time));
        entry.set("time", timeText(snapshot.time));
        entry.set("kind", text(snapshotKindName(snapshot.kind)));
        list.call<void>("push", entry);
    }
    return list;
}

val listsOf() {
    val servos = val::array();
    for (const ServoEntry& servo : servoTable()) {
        servos.call<void>("push", text(servo.name));
    }
    val types = val::array();
    for (const SignalTypeOption& type : signalTypeOptions()) {
        types.call<void>("push", text(type.label));
    }
    val speeds = val::array();
    for (const SpeedOption& speed : speedOptions()) {
        speeds.call<void>("push", text(speed.label));
    }
    val fields = val::array();
    for (const auto& [key, number] : kNumberKeys) {
        const FieldDescription& field = describe(number);
        val entry = val::object();
        entry.set("key", text(key));
        entry.set("label", text(field.label));
        entry.set("low", field.range.low);
        entry.set("high", field.range.high);
        fields.call<void>("push", entry);
    }
    namespace warning = safety_warning;
    val texts = val::object();
    texts.set("safetyTitle", text(warning::kTitle));
    texts.set("safetyDanger", text(warning::kDanger));
    texts.set("safetyLanded", text(warning::kLanded));
    texts.set("safetyAgreement", text(warning::kAgreement));
    texts.set("dontShowAgain", text(warning::kDontShowAgain));
    texts.set("agree", text(warning::kAgree));
    texts.set("cancel", text(warning::kCancel));
    val lists = val::object();
    lists.set("servos", servos);
    lists.set("types", types);
    lists.set("speeds", speeds);
    lists.set("fields", fields);
    lists.set("texts", texts);
    return lists;
}

// The session's events as calls of the page's two callbacks.
class ScriptEvents final : public PageEvents {
  public:
    ScriptEvents(val onEvent, val onWrite)
        : onEvent_(std::move(onEvent)), onWrite_(std::move(onWrite)) {}

    // The session tells nothing of its view while it is being made.
    void setSession(const PageSession* session) { session_ = session; }

    void viewChanged() override {
        if (session_ != nullptr) {
            tell("view", viewOf(*session_));
        }
    }
    void status(std::string_view line) override {
        val data = val::object();
        data.set("text", text(line));
        tell("status", data);
    }
    void message(std::string_view message, bool system) override {
        val data = val::object();
        data.set("text", text(message));
        data.set("system", system);
        tell("message", data);
    }
    void notice(NumericField field, std::string_view notice) override {
        val data = val::object();
        data.set("field", text(keyOf(field)));
        data.set("text", text(notice));
        tell("notice", data);
    }
    void focusBox(NumericField field) override {
        val data = val::object();
        data.set("field", text(keyOf(field)));
        tell("focus", data);
    }
    void filesWritten() override { tell("stored", val::object()); }
    void compared(const GyroConfig& gyro) override {
        if (session_ != nullptr) {
            val data = val::object();
            data.set("rows", comparisonOf(session_->controller().model(), gyro));
            tell("compared", data);
        }
    }
    void statisticsOffered(const StatisticsAnswers& answers, bool doNotAskAgain) override {
        tell("statistics", statisticsOfferValue(answers, doNotAskAgain));
    }
    void liveSignals(const LiveSample& sample) override {
        val data = val::object();
        data.set("time", static_cast<double>(sample.time.count()));
        data.set("gyro", sample.values.gyro);
        data.set("rudder", sample.values.rudder);
        data.set("gain", sample.values.gain);
        tell("live", data);
    }
    void write(std::string_view port, std::string_view bytes) override {
        onWrite_(text(port), bytesOf(bytes));
    }

  private:
    void tell(const char* kind, const val& data) { onEvent_(val(kind), json(data)); }

    val onEvent_;
    val onWrite_;
    const PageSession* session_ = nullptr;
};

// Where the page's module keeps its files: the preferences under a home kept in the browser's
// storage; settings files on their way in and out in a folder of their own that is not.
ProgramPaths pagePaths() {
    ProgramPaths paths;
    paths.programFolder = "/home/web";
    paths.configHome = "/home/web/.config";
    paths.homeFolder = "/home/web";
    paths.watchDevices = true;
    paths.historyFolder = "/home/web/history";
    return paths;
}

// A file for the page to hand to the pilot: {name, bytes}, or null.
val fileOf(const std::optional<SavedFile>& file) {
    if (!file) {
        return val::null();
    }
    val saved = val::object();
    saved.set("name", file->name);
    saved.set("bytes", bytesOf(file->bytes));
    return saved;
}

class ScriptSession {
  public:
    ScriptSession(val onEvent, val onWrite)
        : events_(std::move(onEvent), std::move(onWrite)),
          session_(
              events_, [](PagePorts& ports) { return std::make_unique<BrowserPlatform>(ports); },
              pagePaths(), "/tmp/settings-files") {
        events_.setSession(&session_);
    }
    ~ScriptSession() { events_.setSession(nullptr); }

    void start() { session_.start(); }
    std::string view() const { return json(viewOf(session_)); }
    std::string lists() const { return json(listsOf()); }

    void setBox(const std::string& key, const std::string& text) {
        if (const std::optional<BoxField> box = boxOfKey(key)) {
            session_.setBox(*box, text);
        }
    }
    void boxLeft(const std::string& key) {
        if (const std::optional<NumericField> number = numberOfKey(key)) {
            session_.boxLeft(*number);
        }
    }
    void commentsLeft(const std::string& comments) { session_.commentsLeft(comments); }
    void chooseServo(int position) { session_.chooseServo(position); }
    void chooseType(int position) { session_.chooseType(position); }
    void chooseSpeed(int position) { session_.chooseSpeed(position); }
    void chooseDirection(const std::string& direction) {
        if (direction == "normal" || direction == "reverse") {
            session_.chooseDirection(direction == "normal" ? Direction::Normal
                                                           : Direction::Reverse);
        }
    }
    void moveProfile(const std::string& profile, int position) {
        if (profile == "accel" || profile == "decel") {
            session_.moveProfile(profile == "accel" ? Setting::AccelProfile : Setting::DecelProfile,
                                 position);
        }
    }
    void selectPort(const std::string& name) { session_.selectPort(name); }
    void read() { session_.read(); }
    void store(bool dontShowAgain) { session_.store(dontShowAgain); }
    void loadDefaults() { session_.loadDefaults(); }
    void loadFile(const std::string& name, const val& bytes) {
        session_.loadFile(name, bytesFrom(bytes));
    }
    val saveFile() { return fileOf(session_.saveFile()); }
    void diagnostics() { session_.diagnostics(); }
    bool startRecording() { return session_.startRecording(); }
    val stopRecording() { return fileOf(session_.stopRecording()); }
    void trySimulatedGyro() { session_.trySimulatedGyro(); }
    val answerStatistics(const val& answer) {
        return statisticsRequestValue(session_.answerStatistics(pilotChoiceOf(answer)));
    }
    void statisticsFetched(const val& answer) {
        session_.statisticsFetched(fetchedAnswerOf(answer));
    }
    void portOpened(const std::string& name) { session_.portOpened(name); }
    void bytesArrived(const std::string& name, const val& bytes) {
        session_.bytesArrived(name, bytesFrom(bytes));
    }
    void portGone(const std::string& name) { session_.portGone(name); }
    void undo() { session_.undo(); }
    void redo() { session_.redo(); }
    void revertToGyro() { session_.revertToGyro(); }
    void compareWithGyro() { session_.compareWithGyro(); }
    void loadSnapshot(const std::string& path) { session_.loadSnapshot(path); }
    std::string snapshots() const { return json(snapshotsOf(session_)); }
    void close() { session_.close(); }

  private:
    ScriptEvents events_;
    PageSession session_;
};

}  // namespace
}  // namespace vn340

EMSCRIPTEN_BINDINGS(vn340_page) {
    using vn340::ScriptSession;
    emscripten::class_<ScriptSession>("PageSession")
        .constructor<emscripten::val, emscripten::val>()
        .function("start", &ScriptSession::start)
        .function("view", &ScriptSession::view)
        .function("lists", &ScriptSession::lists)
        .function("setBox", &ScriptSession::setBox)
        .function("boxLeft", &ScriptSession::boxLeft)
        .function("commentsLeft", &ScriptSession::commentsLeft)
        .function("chooseServo", &ScriptSession::chooseServo)
        .function("chooseType", &ScriptSession::chooseType)
        .function("chooseSpeed", &ScriptSession::chooseSpeed)
        .function("chooseDirection", &ScriptSession::chooseDirection)
        .function("moveProfile", &ScriptSession::moveProfile)
        .function("selectPort", &ScriptSession::selectPort)
        .function("read", &ScriptSession::read)
        .function("store", &ScriptSession::store)
        .function("loadDefaults", &ScriptSession::loadDefaults)
        .function("loadFile", &ScriptSession::loadFile)
        .function("saveFile", &ScriptSession::saveFile)
        .function("diagnostics", &ScriptSession::diagnostics)
        .function("startRecording", &ScriptSession::startRecording)
        .function("stopRecording", &ScriptSession::stopRecording)
        .function("trySimulatedGyro", &ScriptSession::trySimulatedGyro)
        .function("answerStatistics", &ScriptSession::answerStatistics)
        .function("statisticsFetched", &ScriptSession::statisticsFetched)
        .function("portOpened", &ScriptSession::portOpened)
        .function("bytesArrived", &ScriptSession::bytesArrived)
        .function("portGone", &ScriptSession::portGone)
        .function("undo", &ScriptSession::undo)
        .function("redo", &ScriptSession::redo)
        .function("revertToGyro", &ScriptSession::revertToGyro)
        .function("compareWithGyro", &ScriptSession::compareWithGyro)
        .function("loadSnapshot", &ScriptSession::loadSnapshot)
        .function("snapshots", &ScriptSession::snapshots)
        .function("close", &ScriptSession::close);
}
