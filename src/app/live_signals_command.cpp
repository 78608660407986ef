#include "app/live_signals_command.h"

#include <QAction>
#include <QWidget>

#include "app/live_signals_window.h"

namespace vn340 {

LiveSignalsCommand::LiveSignalsCommand(ConfigController& controller, FrontEnd& frontEnd,
                                       Platform& platform, QWidget& window, QAction& diagnostics)
    : controller_(controller),
      frontEnd_(frontEnd),
      platform_(platform),
      window_(window),
      diagnostics_(diagnostics) {
    action_ = new QAction(QString::fromUtf8(kLiveSignalsCommandText), &window_);
    action_->setObjectName(QStringLiteral("liveSignals"));
    action_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_L));
    action_->setShortcutContext(Qt::WindowShortcut);
    action_->setEnabled(diagnostics_.isEnabled());
    window_.addAction(action_);
    connect(action_, &QAction::triggered, this, &LiveSignalsCommand::open);
    connect(&diagnostics_, &QAction::enabledChanged, action_, &QAction::setEnabled);
}

LiveSignalsCommand::~LiveSignalsCommand() {
    delete live_;
}

LiveSignalsWindow* LiveSignalsCommand::liveWindow() const {
    return live_;
}

void LiveSignalsCommand::open() {
    if (live_ == nullptr) {
        // A disabled diagnostics command (a read or a store under way) does nothing.
        live_ = new LiveSignalsWindow(
            controller_, frontEnd_, platform_, [this] { diagnostics_.trigger(); }, &window_);
        // Each opening starts with an empty plot.
        connect(live_, &QDialog::finished, this, [this] {
            live_->deleteLater();
            live_ = nullptr;
        });
    }
    live_->start();
}

}  // namespace vn340
