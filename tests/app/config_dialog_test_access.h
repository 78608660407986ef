#pragma once

// What the main window's tests reach besides its widgets: the controller behind the window,
// the window as its controller sees it, and the model and sequence host inside.

#include "app/config_dialog.h"
#include "app/safety_net.h"
#include "app/window_dialogs.h"
#include "app/window_help.h"
#include "desktop/qt_timers.h"
#include "session/config_controller.h"
#include "support/signal_record.h"

namespace vn340 {

class ConfigDialogTestAccess {
  public:
    explicit ConfigDialogTestAccess(ConfigDialog& window) : window_(window) {}

    ConfigController& controller() const { return *window_.controller_; }
    Screen& screen() const { return window_; }
    FrontEnd& frontEnd() const { return *window_.dialogs_; }
    const WindowDialogs& dialogs() const { return *window_.dialogs_; }
    SequenceHost& sequenceHost() const { return *window_.controller_; }  // a friend sees the base
    SafetyNet& safetyNet() const { return *window_.safetyNet_; }
    const WindowHelp& help() const { return *window_.help_; }
    // The engine's timers, as Qt's named timers ("timer115").
    QObject& sequenceTimers() const {
        return dynamic_cast<QObject&>(*window_.controller_->timers_);
    }

  private:
    ConfigDialog& window_;
};

}  // namespace vn340
