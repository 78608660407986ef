#include "app/safety_net.h"

#include <QAction>
#include <QMenu>
#include <QTimer>
#include <QWidget>

#include <utility>

#include "app/compare_window.h"
#include "app/history_window.h"
#include "app/qt_text.h"
#include "session/config_controller.h"

namespace vn340 {
SafetyNet::SafetyNet(ConfigController& controller, FrontEnd& frontEnd, Platform& platform,
                     QWidget& window, const std::optional<std::string>& historyFolder,
                     std::function<void()> finishEditing)
    : controller_(controller),
      window_(window),
      finishEditing_(std::move(finishEditing)),
      history_(controller, frontEnd, platform, historyFolder) {
    using namespace safety_net_text;
    undo_ = addAction(QStringLiteral("Undo"), QStringLiteral("undo"),
                      QKeySequence(Qt::CTRL | Qt::Key_Z));
    redo_ = addAction(QStringLiteral("Redo"), QStringLiteral("redo"));
    redo_->setShortcuts(
        {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)});
    revert_ = addAction(QString::fromUtf8(kRevert), QStringLiteral("revertToGyro"));
    showHistory_ = addAction(QString::fromUtf8(kHistory), QStringLiteral("history"),
                             QKeySequence(Qt::CTRL | Qt::Key_H));
    compare_ = addAction(QString::fromUtf8(kCompare), QStringLiteral("compare"),
                         QKeySequence(Qt::CTRL | Qt::Key_K));
    compareWithGyro_ =
        addAction(QString::fromUtf8(kCompareWithGyro), QStringLiteral("compareWithGyro"));

    connect(undo_, &QAction::triggered, this, &SafetyNet::undo);
    connect(redo_, &QAction::triggered, this, &SafetyNet::redo);
    connect(revert_, &QAction::triggered, this, &SafetyNet::revertToGyro);
    connect(showHistory_, &QAction::triggered, this, &SafetyNet::showHistory);
    connect(compare_, &QAction::triggered, this, &SafetyNet::compare);
    connect(compareWithGyro_, &QAction::triggered, this, &SafetyNet::compareWithGyro);

    connections_ += history_.stepsChanged.connect([this] {
        screenChanged();
        updateActions();
    });
    connections_ +=
        history_.lastReadChanged.connect([this](bool afterStore) { lastReadChanged(afterStore); });
    connections_ += history_.snapshotKept.connect(
        [this](const std::string& serialNumber) { snapshotKept(serialNumber); });
    connections_ += history_.gyroCompared.connect([this](const GyroConfig& gyro) {
        // The read's own end runs on; the window opens once it is over.
        QTimer::singleShot(0, this, [this, gyro] {
            showComparison(gyro, CompareSide::lastRead(GyroKnowledge::allRead(gyro)));
        });
    });
    updateActions();
}

SafetyNet::~SafetyNet() = default;

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
    menu.addAction(showHistory_);
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
    if (sequenceRunning_) {
        return;
    }
    finishEditing_();
    history_.undo();
}

void SafetyNet::redo() {
    if (sequenceRunning_) {
        return;
    }
    finishEditing_();
    history_.redo();
}

void SafetyNet::updateActions() {
    const bool idle = !sequenceRunning_;
    const StepStack& steps = history_.steps();
    undo_->setText(steps.canUndo() ? QStringLiteral("Undo %1").arg(fromStd(steps.undoName()))
                                   : QStringLiteral("Undo"));
    redo_->setText(steps.canRedo() ? QStringLiteral("Redo %1").arg(fromStd(steps.redoName()))
                                   : QStringLiteral("Redo"));
    undo_->setEnabled(idle && steps.canUndo());
    redo_->setEnabled(idle && steps.canRedo());
    revert_->setEnabled(idle && history_.gyroKnown().has_value());
    showHistory_->setEnabled(idle && history_.store() != nullptr);
    compare_->setEnabled(idle);
    compareWithGyro_->setEnabled(idle && gyroReachable_);
}

void SafetyNet::lastReadChanged(bool afterStore) {
    updateActions();
    // A comparison with the gyro follows what a store left on it.
    const GyroKnowledge& gyro = *history_.gyroKnown();
    if (afterStore && compareWindow_ != nullptr && compareWindow_->isVisible() &&
        compareWindow_->side().kind == CompareSide::Kind::LastRead) {
        showComparison(gyro.config, CompareSide::lastRead(gyro));
    }
}

void SafetyNet::snapshotKept(const std::string& serialNumber) {
    if (historyWindow_ != nullptr && historyWindow_->isVisible()) {
        historyWindow_->present(*history_.store(), serialNumber, controller_.model());
    }
}

void SafetyNet::screenChanged() {
    if (compareWindow_ != nullptr) {
        compareWindow_->setScreen(controller_.model());
    }
    if (historyWindow_ != nullptr) {
        historyWindow_->setScreen(controller_.model());
    }
}

void SafetyNet::revertToGyro() {
    finishEditing_();
    if (!sequenceRunning_) {
        history_.revertToGyro();
    }
}

void SafetyNet::showHistory() {
    finishEditing_();
    if (history_.store() == nullptr) {
        return;
    }
    if (historyWindow_ == nullptr) {
        historyWindow_ = new HistoryWindow(&window_);
        connect(historyWindow_, &HistoryWindow::loadRequested, this, &SafetyNet::loadSnapshot);
        connect(historyWindow_, &HistoryWindow::compareRequested, this,
                [this](const Snapshot& snapshot) {
                    showComparison(snapshot.config, CompareSide::snapshot(snapshot));
                });
    }
    const std::optional<GyroKnowledge>& known = history_.gyroKnown();
    historyWindow_->present(*history_.store(), known ? known->config.serialNumber : std::string(),
                            controller_.model());
}

void SafetyNet::loadSnapshot(const Snapshot& snapshot) {
    // The window stays open beside the main window: the pilot may have typed since it opened.
    finishEditing_();
    if (!sequenceRunning_) {
        history_.loadSnapshot(snapshot);
    }
}

void SafetyNet::compare() {
    finishEditing_();
    if (const std::optional<GyroKnowledge>& known = history_.gyroKnown()) {
        showComparison(known->config, CompareSide::lastRead(*known));
        return;
    }
    if (const std::optional<ChosenFile> file = history_.chooseFileToCompare()) {
        showComparison(file->config, CompareSide::file(fromStd(file->path)));
    }
}

void SafetyNet::compareWithGyro() {
    if (sequenceRunning_ || !gyroReachable_) {
        return;
    }
    finishEditing_();
    history_.compareWithGyro();
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
    if (!sequenceRunning_ && compareWindow_ != nullptr) {
        history_.useValue(compareWindow_->other(), setting);
    }
}

}  // namespace vn340
