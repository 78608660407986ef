// Takes the README's picture of a help tip: starts the main window with made-up folders (no
// adapter), rests the pointer on a control until its tip is up, and saves the part of the
// screen that holds the window and the tip.
//
// Usage (under an X server, e.g. xvfb-run): help-tip-shot <file.png> [control id, 1064]

#include <QApplication>
#include <QCursor>
#include <QDir>
#include <QElapsedTimer>
#include <QPixmap>
#include <QScreen>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>

#include "app/config_dialog.h"
#include "desktop/desktop_platform.h"
#include "session/platform.h"
#include "ui/help_tip.h"

namespace {

// Runs the event loop until `done` holds, or gives up after ten seconds.
template <typename Condition>
bool processUntil(Condition done) {
    QElapsedTimer waited;
    waited.start();
    while (!done()) {
        if (waited.elapsed() > 10000) {
            return false;
        }
        QApplication::processEvents(QEventLoop::AllEvents, 50);
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: help-tip-shot <file.png> [control id]\n");
        return 2;
    }
    const QString output = QString::fromLocal8Bit(argv[1]);
    const int id = argc > 2 ? std::atoi(argv[2]) : 1064;

    QTemporaryDir folder;
    vn340::ProgramPaths paths;
    paths.programFolder = folder.path().toStdString();
    paths.configHome = folder.path().toStdString();
    paths.sysClassTty = QDir(folder.path()).filePath("no-tty-class").toStdString();
    paths.deviceFolder = QDir(folder.path()).filePath("no-dev/").toStdString();
    paths.d2xxLibrary = QDir(folder.path()).filePath("no-d2xx.so").toStdString();
    vn340::DesktopPlatform platform(paths);
    vn340::ConfigDialog window(platform, paths);
    window.move(0, 0);
    window.show();

    QWidget* control = window.findChild<QWidget*>(QStringLiteral("idc%1").arg(id));
    auto* tip = window.findChild<vn340::HelpTip*>();
    if (control == nullptr || tip == nullptr || tip->Window() == nullptr) {
        std::fprintf(stderr, "no control %d with a help tip\n", id);
        return 1;
    }
    processUntil([&] { return window.isVisible() && control->isVisible(); });
    QCursor::setPos(control->mapToGlobal(control->rect().center()));
    if (!processUntil([&] { return tip->Window()->isVisible(); })) {
        std::fprintf(stderr, "the tip of control %d did not show\n", id);
        return 1;
    }
    // Its shadow and painting come with the next passes of the loop.
    bool settled = false;
    QTimer::singleShot(300, &window, [&] { settled = true; });
    processUntil([&] { return settled; });
    const QRect area =
        window.frameGeometry().united(tip->Window()->geometry().adjusted(0, 0, 8, 8));
    const QPixmap picture =
        window.screen()->grabWindow(0, area.x(), area.y(), area.width(), area.height());
    if (!picture.save(output, "PNG")) {
        std::fprintf(stderr, "could not save %s\n", argv[1]);
        return 1;
    }
    std::printf("%s\n", argv[1]);
    return 0;
}
