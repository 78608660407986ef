#pragma once

// The menu bar's commands. The window's buttons are menu items too: each does what its button
// does and is on while its button is. Beside them stand Quit and About, and the commands the
// right-click menu holds, which are the very same actions, with the same keys.

#include <QObject>

#include <functional>
#include <map>

#include "app/safety_net.h"

class QAction;
class QDialog;
class QKeySequence;
class QPushButton;

namespace vn340 {

struct WindowControls;

class WindowMenu : public QObject {
    Q_OBJECT
  public:
    // The actions the right-click menu holds too.
    struct Shared {
        QAction* diagnostics;
        QAction* liveSignals;
        SafetyNet::Commands safetyNet;
    };
    // Fills the menus of `controls` on `window`; `beforeShow` runs as a menu opens, `about`
    // when About is chosen.
    WindowMenu(QDialog& window, const WindowControls& controls, const Shared& shared,
               std::function<void()> beforeShow, std::function<void()> about);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    QAction* mirror(QPushButton* button, const QString& text, const char* name,
                    const QKeySequence& key);

    QDialog& window_;
    std::map<const QObject*, QAction*> mirrors_;
};

}  // namespace vn340
