#include "app/startup_probe.h"

#include <time.h>

#include <QEvent>
#include <QFile>
#include <QPixmap>
#include <QTimer>
#include <QWidget>
#include <cstdio>
#include <fstream>
#include <string>

namespace vn340 {
namespace {

class FirstPaintWatcher : public QObject {
  public:
    FirstPaintWatcher(QWidget& window, StartupProbeOptions options,
                      std::function<void(bool)> finish)
        : QObject(&window),
          window_(window),
          options_(std::move(options)),
          finish_(std::move(finish)) {
        window.installEventFilter(this);
    }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == &window_ && event->type() == QEvent::Paint && !seen_) {
            seen_ = true;
            // The paint event arrives before the window paints; a queued call runs once the
            // whole window, children included, has been painted and put on screen.
            QTimer::singleShot(0, this, [this] { report(); });
        }
        return false;
    }

  private:
    void report() {
        bool ok = true;
        if (options_.reportFirstPaint) {
            std::printf("first-paint-ns=%lld rss-kb=%lld\n", monotonicNanoseconds(),
                        residentKilobytes());
            std::fflush(stdout);
        }
        if (!options_.screenshotPath.isEmpty()) {
            const QPixmap picture = window_.grab();
            if (picture.save(options_.screenshotPath, "PNG")) {
                std::printf("%s\n", QFile::encodeName(options_.screenshotPath).constData());
            } else {
                std::fprintf(stderr, "could not save the screenshot to %s\n",
                             QFile::encodeName(options_.screenshotPath).constData());
                ok = false;
            }
            std::fflush(stdout);
        }
        window_.removeEventFilter(this);
        finish_(ok);
    }

    QWidget& window_;
    StartupProbeOptions options_;
    std::function<void(bool)> finish_;
    bool seen_ = false;
};

}  // namespace

StartupProbeOptions StartupProbeOptions::fromEnvironment() {
    StartupProbeOptions options;
    options.screenshotPath = qEnvironmentVariable("VN340_SCREENSHOT");
    const QString firstPaint = qEnvironmentVariable("VN340_FIRST_PAINT");
    options.reportFirstPaint = !firstPaint.isEmpty() && firstPaint != QLatin1String("0");
    return options;
}

void installStartupProbe(QWidget& window, const StartupProbeOptions& options,
                         std::function<void(bool ok)> finish) {
    if (!options.active())
        return;
    // Owned by the window; it removes its filter once it has reported.
    new FirstPaintWatcher(window, options, std::move(finish));
}

long long monotonicNanoseconds() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec;
}

long long residentKilobytes() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0)
            return std::stoll(line.substr(6));
    }
    return -1;
}

}  // namespace vn340
