#include "app/config_app.h"

#include <QMessageBox>
#include <QTimer>
#include <cstdio>
#include <memory>

#include "app/config_dialog.h"
#include "app/demo_session.h"
#include "app/single_instance.h"
#include "app/startup_probe.h"
#include "base/stop_requests.h"
#include "config/preferences.h"
#include "desktop/desktop_platform.h"
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
}

void ConfigApp::iconAfterFirstPaint(QWidget& window) {
    // Reading the icon's files wakes Qt's image readers, which the first paint does without.
    class FirstPaint : public QObject {
      public:
        explicit FirstPaint(QWidget& window) : QObject(&window) { window.installEventFilter(this); }
        bool eventFilter(QObject* watched, QEvent* event) override {
            if (event->type() == QEvent::Paint) {
                watched->removeEventFilter(this);
                QTimer::singleShot(0, qApp, [] { QApplication::setWindowIcon(applicationIcon()); });
                deleteLater();
            }
            return false;
        }
    };
    new FirstPaint(window);
}

std::unique_ptr<StopRequests> ConfigApp::closeOnStopRequests(QWidget& window, EventLoop& loop) {
    return StopRequests::listen([&window](StopRequest) { window.close(); }, loop);
}

QIcon ConfigApp::applicationIcon() {
    initResources();
    QIcon icon;
    for (int size : {16, 32, 48}) {
        icon.addFile(QStringLiteral(":/vn340/icon-%1.png").arg(size), QSize(size, size));
    }
    return icon;
}

void ConfigApp::bringToFront(ConfigDialog& window, const QString& file) {
    // A question the window has open must be answered first: it comes to the front, and the
    // file waits for the answer.
    QWidget* modal = QApplication::activeModalWidget();
    window.setWindowState(window.windowState() & ~Qt::WindowMinimized);
    window.raise();
    window.activateWindow();
    if (modal != nullptr && modal != &window) {
        modal->raise();
        modal->activateWindow();
    }
    if (!file.isEmpty()) {
        window.loadFile(file.toStdString());
    }
}

int ConfigApp::run(const CommandLineOptions& options) {
    const StartupProbeOptions probe = StartupProbeOptions::fromEnvironment();
    // The demo's adapter is simulated and its preferences its own: it fights nobody. Nor do
    // the probe's runs, which only look.
    std::unique_ptr<SingleInstance> instance;
    if (!options.demo && !probe.active()) {
        if (const std::optional<int> status =
                SingleInstance::startOrHandOver(options.file, instance)) {
            return *status;
        }
    }
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
    const ProgramPaths paths =
        demo ? demo->paths(ProgramPaths::ofRunningProgram()) : ProgramPaths::ofRunningProgram();
    DesktopPlatform platform(paths);
    auto window = std::make_unique<ConfigDialog>(platform, paths);
    if (demo) {
        window->setTitleSuffix(QLatin1String(kDemoTitleSuffix));
    }
    if (instance) {
        instance->listen([this, &window](const QString& file) { bringToFront(*window, file); });
    }
    if (!options.file.isEmpty()) {
        // Once the window is up, so that what the load has to say appears over it.
        QTimer::singleShot(0, window.get(),
                           [&window, &options] { window->loadFile(options.file.toStdString()); });
    }
    iconAfterFirstPaint(*window);
    std::unique_ptr<StopRequests> stopRequests = closeOnStopRequests(*window, platform.loop());
    int status = 0;
    installStartupProbe(*window, probe, [&](bool ok) {
        status = ok ? 0 : 1;
        // Straight to the end, past the window's own closing steps: the probe only looked.
        window->QDialog::done(QDialog::Rejected);
    });
    window->exec();
    // Before the window, on whose thread and under which it listens.
    stopRequests.reset();
    instance.reset();
    window.reset();
    return status;
}

}  // namespace vn340
