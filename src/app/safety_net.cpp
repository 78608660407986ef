#include "app/safety_net.h"

#include <QAction>
#include <QMenu>
#include <QTimer>
#include <QWidget>

#include <utility>

#include "app/compare_window.h"
#include "app/config_undo.h"
#include "app/history_window.h"
#include "app/qt_text.h"
#include "app/window_dialogs.h"
#include "base/file_system.h"
#include "config/config_comparison.h"
#include "config/settings_codec.h"
#include "config/settings_file.h"
#include "protocol/compare_read.h"
#include "session/config_controller.h"

namespace vn340 {
SafetyNet::SafetyNet(ConfigController& controller, WindowDialogs& dialogs, QWidget& window,
                     const std::optional<std::string>& historyFolder,
                     std::function<void()> finishEditing)
    : controller_(controller),
      dialogs_(dialogs),
      window_(window),
      finishEditing_(std::move(finishEditing)) {
    using namespace safety_net_text;
    if (historyFolder)
        store_ = std::make_unique<HistoryStore>(*historyFolder);
    gyroRead_ = controller_.makeCompareRead([this](const GyroConfig& gyro) {
        // The read's own end runs on; the window opens once it is over.
        QTimer::singleShot(0, this,
                           [this, gyro] { showComparison(gyro, CompareSide::lastRead(gyro)); });
    });

    undo_ = addAction(QStringLiteral("Undo"), QStringLiteral("undo"),
                      QKeySequence(Qt::CTRL | Qt::Key_Z));
    redo_ = addAction(QStringLiteral("Redo"), QStringLiteral("redo"));
    redo_->setShortcuts(
        {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)});
    revert_ = addAction(QString::fromUtf8(kRevert), QStringLiteral("revertToGyro"));
    history_ = addAction(QString::fromUtf8(kHistory), QStringLiteral("history"),
                         QKeySequence(Qt::CTRL | Qt::Key_H));
    compare_ = addAction(QString::fromUtf8(kCompare), QStringLiteral("compare"),
                         QKeySequence(Qt::CTRL | Qt::Key_K));
    compareWithGyro_ =
        addAction(QString::fromUtf8(kCompareWithGyro), QStringLiteral("compareWithGyro"));

    connect(undo_, &QAction::triggered, this, &SafetyNet::undo);
    connect(redo_, &QAction::triggered, this, &SafetyNet::redo);
    connect(revert_, &QAction::triggered, this, &SafetyNet::revertToGyro);
    connect(history_, &QAction::triggered, this, &SafetyNet::showHistory);
    connect(compare_, &QAction::triggered, this, &SafetyNet::compare);
    connect(compareWithGyro_, &QAction::triggered, this, &SafetyNet::compareWithGyro);

    connect(&steps_, &QUndoStack::indexChanged, this, &SafetyNet::screenChanged);
    connect(&steps_, &QUndoStack::canUndoChanged, this, &SafetyNet::updateActions);
    connect(&steps_, &QUndoStack::canRedoChanged, this, &SafetyNet::updateActions);
    connect(&steps_, &QUndoStack::undoTextChanged, this, &SafetyNet::updateActions);
    connect(&steps_, &QUndoStack::redoTextChanged, this, &SafetyNet::updateActions);

    connect(&controller_, &ConfigController::pilotChanged, this, &SafetyNet::pilotChanged);
    connect(&controller_, &ConfigController::readCompleted, this, &SafetyNet::readCompleted);
    connect(&controller_, &ConfigController::storeCompleted, this, &SafetyNet::storeCompleted);
    connect(&controller_, &ConfigController::storeUnfinished, this,
            [this] { keep(controller_.model(), SnapshotKind::Unfinished); });
    updateActions();
}

SafetyNet::~SafetyNet() {
    // A read of the gyro's own still running must not be handed replies once it is gone.
    controller_.runBeside(nullptr);
}

QAction* SafetyNet::addAction(const QString& text, const QString& name, const QKeySequence& key) {
    auto* action = new QAction(text, &window_);
    action->setObjectName(name);
    action->setShortcut(key);
    action->setShortcutContext(Qt::WindowShortcut);
    window_.addAction(action);
    return action;
}

void SafetyNet::addToMenu(QMenu& menu) {
    updateActions();
    menu.addSeparator();
    menu.addAction(undo_);
    menu.addAction(redo_);
    menu.addAction(revert_);
    menu.addSeparator();
    menu.addAction(history_);
    menu.addAction(compare_);
    menu.addAction(compareWithGyro_);
}

void SafetyNet::controlsEnabled(bool on) {
    sequenceRunning_ = !on;
    gyroReachable_ = on;
    updateActions();
}

void SafetyNet::gyroButtonsEnabled(bool on) {
    gyroReachable_ = on;
    updateActions();
}

void SafetyNet::undo() {
    if (sequenceRunning_)
        return;
    finishEditing_();
    steps_.undo();
}

void SafetyNet::redo() {
    if (sequenceRunning_)
        return;
    finishEditing_();
    steps_.redo();
}

void SafetyNet::updateActions() {
    const bool idle = !sequenceRunning_;
    undo_->setText(steps_.canUndo() ? QStringLiteral("Undo %1").arg(steps_.undoText())
                                    : QStringLiteral("Undo"));
    redo_->setText(steps_.canRedo() ? QStringLiteral("Redo %1").arg(steps_.redoText())
                                    : QStringLiteral("Redo"));
    undo_->setEnabled(idle && steps_.canUndo());
    redo_->setEnabled(idle && steps_.canRedo());
    revert_->setEnabled(idle && lastRead_.has_value());
    history_->setEnabled(idle && store_ != nullptr);
    compare_->setEnabled(idle);
    compareWithGyro_->setEnabled(idle && gyroReachable_);
}

void SafetyNet::pilotChanged(const PilotChange& change) {
    recordStep(steps_, fromStd(change.step), change.before, change.after,
               [this](const GyroConfig& config) { controller_.applyConfiguration(config); });
}

void SafetyNet::readCompleted() {
    lastRead_ = controller_.model();
    updateActions();
    keep(*lastRead_, SnapshotKind::Read);
}

void SafetyNet::storeCompleted(const GyroConfig& gyroHolds) {
    // What the gyro answered when the store read its words back is what it holds now.
    lastRead_ = gyroHolds;
    updateActions();
    if (compareWindow_ != nullptr && compareWindow_->isVisible() &&
        compareWindow_->side().kind == CompareSide::Kind::LastRead)
        showComparison(gyroHolds, CompareSide::lastRead(gyroHolds));
    keep(gyroHolds, SnapshotKind::Stored);
}

void SafetyNet::keep(GyroConfig config, SnapshotKind kind) {
    if (store_ == nullptr)
        return;
    // Written once the sequence has ended and its own messages are through, never within it.
    QTimer::singleShot(0, this, [this, config = std::move(config), kind] {
        const RecordResult kept = store_->record(config, kind);
        if (kept.tellPilot)
            dialogs_.showMessage(fromStd(historyFailureMessage(kept.result)));
        if (historyWindow_ != nullptr && historyWindow_->isVisible())
            historyWindow_->present(*store_, config.serialNumber, controller_.model());
    });
}

void SafetyNet::screenChanged() {
    if (compareWindow_ != nullptr)
        compareWindow_->setScreen(controller_.model());
    if (historyWindow_ != nullptr)
        historyWindow_->setScreen(controller_.model());
}

void SafetyNet::revertToGyro() {
    finishEditing_();
    if (!lastRead_ || sequenceRunning_)
        return;
    // The gyro holds no comments: what the pilot wrote since the read is theirs to keep.
    GyroConfig gyro = *lastRead_;
    gyro.userComments = controller_.model().userComments;
    controller_.applyAsStep(step_name::kRevertToGyro.toStdString(), gyro);
}

void SafetyNet::showHistory() {
    finishEditing_();
    if (store_ == nullptr)
        return;
    if (historyWindow_ == nullptr) {
        historyWindow_ = new HistoryWindow(&window_);
        connect(historyWindow_, &HistoryWindow::loadRequested, this, &SafetyNet::loadSnapshot);
        connect(historyWindow_, &HistoryWindow::compareRequested, this,
                [this](const Snapshot& snapshot) {
                    showComparison(snapshot.config, CompareSide::snapshot(snapshot));
                });
    }
    historyWindow_->present(*store_, lastRead_ ? lastRead_->serialNumber : std::string(),
                            controller_.model());
}

void SafetyNet::loadSnapshot(const Snapshot& snapshot) {
    // The window stays open beside the main window: the pilot may have typed since it opened.
    finishEditing_();
    if (!sequenceRunning_)
        controller_.loadFromFileAt(snapshot.path);
}

void SafetyNet::compare() {
    finishEditing_();
    if (lastRead_) {
        showComparison(*lastRead_, CompareSide::lastRead(*lastRead_));
        return;
    }
    QString path;
    if (const std::optional<GyroConfig> other = askForFile(path))
        showComparison(*other, CompareSide::file(path));
}

std::optional<GyroConfig> SafetyNet::askForFile(QString& path) {
    const std::optional<std::string> chosen = dialogs_.askLoadPath(
        FileDialogRequest{controller_.preferences().lastDirectory, std::string(),
                          std::string(kSettingsFileFilter), std::string(kSettingsFileSuffix)});
    if (!chosen)
        return std::nullopt;
    std::string bytes;
    systemFileSystem().read(*chosen, bytes);
    DecodedSettings decoded = decodeSettingsFile(bytes, controller_.model());
    if (decoded.refusal) {
        dialogs_.showMessage(fromStd(*decoded.refusal));
        return std::nullopt;
    }
    path = QString::fromStdString(*chosen);
    return std::move(decoded.config);
}

void SafetyNet::compareWithGyro() {
    if (sequenceRunning_ || !gyroReachable_)
        return;
    finishEditing_();
    controller_.runBeside(gyroRead_.get());
    gyroRead_->start(controller_.model());
}

void SafetyNet::showComparison(const GyroConfig& other, const CompareSide& side) {
    compareWindowMade().compare(controller_.model(), other, side);
}

CompareWindow& SafetyNet::compareWindowMade() {
    if (compareWindow_ == nullptr) {
        compareWindow_ = new CompareWindow(&window_);
        connect(compareWindow_, &CompareWindow::useValueRequested, this, &SafetyNet::useValue);
    }
    return *compareWindow_;
}

void SafetyNet::useValue(Setting setting) {
    finishEditing_();
    if (sequenceRunning_ || compareWindow_ == nullptr)
        return;
    GyroConfig changed = controller_.model();
    vn340::useValue(changed, compareWindow_->other(), setting);
    controller_.applyAsStep(safety_net_text::kUseValueStep, changed);
}

}  // namespace vn340
