#pragma once

#include <QApplication>
#include <QIcon>

namespace vn340 {

// The application object: the Qt application with the program's icon, and the one main
// window, run modally for the whole life of the program.
class ConfigApp {
  public:
    ConfigApp(int& argc, char** argv);

    // Creates the main window, runs it modally and destroys it; returns the program's exit
    // status.
    int run();

    // The program's icon at 16, 32 and 48 pixels.
    static QIcon applicationIcon();

  private:
    QApplication application_;
};

}  // namespace vn340
