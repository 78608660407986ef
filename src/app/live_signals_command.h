#pragma once

// "Live signals…" in the main window's menu and on Ctrl+L: opens the live-signals window, or
// brings it to the front when it is open already. It is on while the diagnostics command is,
// which it uses to start and stop them.

#include <QObject>
#include <QPointer>

class QAction;
class QWidget;

namespace vn340 {

class ConfigController;
class FrontEnd;
class LiveSignalsWindow;
class Platform;

inline constexpr char kLiveSignalsCommandText[] = "Live signals\u2026";

class LiveSignalsCommand : public QObject {
    Q_OBJECT
  public:
    // The action is added to `window`, whose child the live-signals window is. It must go
    // before the controller.
    LiveSignalsCommand(ConfigController& controller, FrontEnd& frontEnd, Platform& platform,
                       QWidget& window, QAction& diagnostics);
    ~LiveSignalsCommand() override;

    QAction* action() const { return action_; }
    void open();
    // The open window, if any.
    LiveSignalsWindow* liveWindow() const;

  private:
    ConfigController& controller_;
    FrontEnd& frontEnd_;
    Platform& platform_;
    QWidget& window_;
    QAction& diagnostics_;
    QAction* action_;
    QPointer<LiveSignalsWindow> live_;
};

}  // namespace vn340
