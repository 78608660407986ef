#pragma once

#include <QApplication>
#include <QIcon>

#include <memory>

#include "app/command_line.h"

namespace vn340 {

class ConfigDialog;
class EventLoop;
class StopRequests;

// The name of the program's desktop menu entry (and of its icon), which window systems use to
// match a window to its entry.
inline constexpr char kDesktopFileId[] = "example.tarvelrc.vn340config";

// The application object: the Qt application with the program's icon, and the one main
// window, run modally for the whole life of the program.
class ConfigApp {
  public:
    ConfigApp(int& argc, char** argv);

    // Creates the main window (the demo's when `options` ask for it), loads the file `options`
    // name, runs it modally and destroys it; returns the program's exit status. When the
    // pilot's program already runs, it is handed the file instead and this one ends at once;
    // when it runs but does not answer, this one ends at once too, with a failure.
    int run(const CommandLineOptions& options = {});

    // The program's icon at 16, 32 and 48 pixels.
    static QIcon applicationIcon();
    // Every window gets the program's icon once `window` has been painted for the first time;
    // until then window lists show the icon of the desktop entry the window is matched to.
    static void iconAfterFirstPaint(QWidget& window);
    // Until the returned object goes, the system's requests to end the program (Ctrl+C, a
    // closed terminal, a shutdown) close `window` as Quit does: a store runs to its end first.
    // None when the system cannot tell the program.
    static std::unique_ptr<StopRequests> closeOnStopRequests(QWidget& window, EventLoop& loop);

  private:
    // A later start's hand-over: the window comes to the front and loads `file`, if any.
    static void bringToFront(ConfigDialog& window, const QString& file);

    QApplication application_;
};

}  // namespace vn340
