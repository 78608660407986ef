#pragma once

#include <QApplication>
#include <QIcon>

#include "app/command_line.h"

namespace vn340 {

// The name of the program's desktop menu entry (and of its icon), which window systems use to
// match a window to its entry.
inline constexpr char kDesktopFileId[] = "example.tarvelrc.vn340config";

// The application object: the Qt application with the program's icon, and the one main
// window, run modally for the whole life of the program.
class ConfigApp {
  public:
    ConfigApp(int& argc, char** argv);

    // Creates the main window (the demo's when `options` ask for it), runs it modally and
    // destroys it; returns the program's exit status.
    int run(const CommandLineOptions& options = {});

    // The program's icon at 16, 32 and 48 pixels.
    static QIcon applicationIcon();

  private:
    QApplication application_;
};

}  // namespace vn340
