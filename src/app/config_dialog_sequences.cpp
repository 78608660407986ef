// The window as the sequence engine's host: its numbered timers, the transport in use, the
// status line, the messages and the data exchange; and the diagnostics command of the
// window's context menu.

#include <QAction>
#include <QContextMenuEvent>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>

#include "app/config_dialog.h"
#include "app/prompt_dialogs.h"
#include "app/statistics_dialog.h"
#include "link/adapter_link.h"
#include "protocol/sequence_engine.h"

namespace vn340 {
namespace {

QString fromStd(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

bool isEngineTimer(int number) {
    switch (static_cast<SequenceTimer>(number)) {
        case SequenceTimer::Timeout:
        case SequenceTimer::ReadStep:
        case SequenceTimer::WriteStep:
        case SequenceTimer::DiagStep:
        case SequenceTimer::StatusClear:
            return true;
    }
    return false;
}

}  // namespace

class ConfigDialog::EngineHost : public SequenceHost {
  public:
    explicit EngineHost(ConfigDialog& window) : window_(window) {}

    // The engine's timers run as window timers under their own numbers; the window hands
    // every one of them back to the engine.
    void armTimer(SequenceTimer timer, std::chrono::milliseconds delay) override {
        window_.armTimer(static_cast<int>(timer), static_cast<int>(delay.count()));
    }
    void killTimer(SequenceTimer timer) override { window_.cancelTimer(static_cast<int>(timer)); }

    void sendFrame(std::string_view frame) override { window_.link_->sendFrame(frame); }

    void setStatus(std::string_view text) override { window_.setStatus(fromStd(text)); }
    void showStatus(std::string_view text) override {
        window_.setStatus(fromStd(text));
        window_.statusLine_->setText(window_.status());
    }
    void showMessage(std::string_view text) override { window_.showMessage(fromStd(text)); }
    void enableControls(bool enable) override { window_.enableControls(enable); }
    void enableGyroButtons(bool enable) override { window_.setGyroButtonsEnabled(enable); }
    bool adapterOpen() const override { return window_.link_->transport() != Transport::None; }

    void takeControlsIntoFields() override {
        window_.exchangeFromControls();
        // The selectors, sliders and direction buttons live in the model as well.
        window_.takeChoices();
    }
    void refreshControls() override { window_.refreshControls(); }

    StatisticsAnswer offerStatistics() override {
        return runStatisticsOffer(*window_.statisticsDialog_, *window_.messageDialog_,
                                  *window_.hiddenStatusList_, window_.model_, window_.prefsStore_);
    }

    void diagnosticsMenuChanged(bool running) override {
        window_.diagnosticsAction_->setText(
            fromStd(running ? kStopDiagnosticsText : kStartDiagnosticsText));
    }

  private:
    ConfigDialog& window_;
};

void ConfigDialog::HostDeleter::operator()(EngineHost* host) const {
    delete host;
}

void ConfigDialog::createEngine() {
    engineHost_.reset(new EngineHost(*this));
    engine_ = std::make_unique<SequenceEngine>(model_, *engineHost_);

    diagnosticsAction_ = new QAction(fromStd(kStartDiagnosticsText), this);
    diagnosticsAction_->setObjectName(QStringLiteral("command%1").arg(kDiagnosticsCommand));
    diagnosticsAction_->setData(kDiagnosticsCommand);
    diagnosticsAction_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_D));
    diagnosticsAction_->setShortcutContext(Qt::WindowShortcut);
    connect(diagnosticsAction_, &QAction::triggered, this, &ConfigDialog::onDiagnosticsCommand);
    addAction(diagnosticsAction_);
}

void ConfigDialog::startReadSequence() {
    engine_->startRead();
}

void ConfigDialog::startWriteSequence() {
    engine_->startWrite();
}

void ConfigDialog::onDiagnosticsCommand() {
    // The command reaches the window without the focus leaving the box being edited, and the
    // first round shows the model again: the box gets its check now, or its text would be lost.
    if (!engine_->diagnosticsRunning()) {
        if (const auto field = fieldOfEdit(focusWidget()))
            runFieldCheck(*field);
    }
    engine_->diagnosticsCommand();
}

void ConfigDialog::contextMenuEvent(QContextMenuEvent* event) {
    if (!isSurface(childAt(event->pos()))) {
        QDialog::contextMenuEvent(event);
        return;
    }
    auto* menu = new QMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->addAction(diagnosticsAction_);
    menu->popup(event->globalPos());
    event->accept();
}

void ConfigDialog::refreshControls() {
    const SequenceEngine::FlagBits& bits = engine_->flagBits();
    setServoFlagBoxes((bits.bit8 ? 0x0100 : 0) | (bits.bit10 ? 0x0400 : 0) |
                      (bits.bit11 ? 0x0800 : 0) | (bits.bit12 ? 0x1000 : 0));
    showChoices();
    exchangeToControls();
    update();
}

void ConfigDialog::onEngineTimer(int number) {
    if (isEngineTimer(number))
        engine_->onTimer(static_cast<SequenceTimer>(number));
}

}  // namespace vn340
