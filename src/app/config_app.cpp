#include "app/config_app.h"

#include <QMessageBox>
#include <cstdio>
#include <memory>

#include "app/config_dialog.h"
#include "app/demo_session.h"
#include "app/startup_probe.h"
#include "config/preferences.h"
#include "session/platform.h"

// The resources live in the static app library; without this reference the linker would leave
// them out of the program.
static void initResources() {
    Q_INIT_RESOURCE(resources);
}

namespace vn340 {

ConfigApp::ConfigApp(int& argc, char** argv) : application_(argc, argv) {
    initResources();
    QApplication::setApplicationName(QStringLiteral("vn340-config"));
    QApplication::setOrganizationName(QStringLiteral("Tarvel RC"));
    QApplication::setApplicationVersion(programVersion());
    QGuiApplication::setDesktopFileName(QLatin1String(kDesktopFileId));
    QApplication::setWindowIcon(applicationIcon());
}

QIcon ConfigApp::applicationIcon() {
    initResources();
    QIcon icon;
    for (int size : {16, 32, 48})
        icon.addFile(QStringLiteral(":/vn340/icon-%1.png").arg(size), QSize(size, size));
    return icon;
}

int ConfigApp::run(const CommandLineOptions& options) {
    std::unique_ptr<DemoSession> demo;
    if (options.demo) {
        QString problem;
        demo = DemoSession::start(programFolder(), &problem);
        if (demo == nullptr) {
            // Started from the desktop menu, standard error is seen by nobody.
            std::fprintf(stderr, "%s: %s\n", kProgramName, problem.toLocal8Bit().constData());
            QMessageBox::critical(nullptr, QLatin1String(kProgramName), problem);
            return 1;
        }
    }
    // Where the program meets the system, chosen once, here.
    const ProgramPaths paths = demo ? demo->paths() : ProgramPaths::ofRunningProgram();
    SystemPlatform platform(paths);
    auto window = std::make_unique<ConfigDialog>(platform, paths);
    if (demo)
        window->setTitleSuffix(QLatin1String(kDemoTitleSuffix));
    int status = 0;
    installStartupProbe(*window, StartupProbeOptions::fromEnvironment(), [&](bool ok) {
        status = ok ? 0 : 1;
        // Straight to the end, past the window's own closing steps: the probe only looked.
        window->QDialog::done(QDialog::Rejected);
    });
    window->exec();
    window.reset();
    return status;
}

}  // namespace vn340
