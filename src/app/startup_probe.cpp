#include "app/startup_probe.h"

#include <time.h>

#include <QApplication>
#include <QDialog>
#include <QEvent>
#include <QFile>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
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
            QTimer::singleShot(0, this, [this] { firstPainted(); });
        }
        return false;
    }

  private:
    void firstPainted() {
        if (options_.readBeforeScreenshot && !options_.screenshotPath.isEmpty())
            startRead();
        else
            report();
    }

    // The pilot's first action: "Read from gyro", then wait for the status line to say the
    // read is complete. Anything else (no port, a message, silence) fails the probe.
    void startRead() {
        auto* button = window_.findChild<QPushButton*>(QStringLiteral("idc1031"));
        auto* statusLine = window_.findChild<QLineEdit*>(QStringLiteral("idc1077"));
        if (button == nullptr || statusLine == nullptr || !button->isEnabled()) {
            std::fprintf(stderr, "cannot read from the gyro: no adapter port is open\n");
            report(false);
            return;
        }
        connect(statusLine, &QLineEdit::textChanged, this, [this](const QString& text) {
            if (text == QLatin1String("Read complete") && !reported_)
                QTimer::singleShot(0, this, [this] { report(); });
        });
        readTimer_.setSingleShot(true);
        connect(&readTimer_, &QTimer::timeout, this, [this] {
            std::fprintf(stderr, "the read from the gyro did not complete\n");
            // A message the read left on screen would keep the window from closing.
            if (QWidget* modal = QApplication::activeModalWidget(); modal != &window_ && modal)
                if (auto* dialog = qobject_cast<QDialog*>(modal))
                    dialog->reject();
            report(false);
        });
        readTimer_.start(options_.readTimeoutMs);
        button->click();
    }

    // The screenshot is taken even after a failed read: it shows what went wrong.
    void report(bool ok = true) {
        if (reported_)
            return;
        reported_ = true;
        readTimer_.stop();
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
    bool reported_ = false;
    QTimer readTimer_;
};

}  // namespace

StartupProbeOptions StartupProbeOptions::fromEnvironment() {
    StartupProbeOptions options;
    options.screenshotPath = qEnvironmentVariable("VN340_SCREENSHOT");
    const QString firstPaint = qEnvironmentVariable("VN340_FIRST_PAINT");
    options.reportFirstPaint = !firstPaint.isEmpty() && firstPaint != QLatin1String("0");
    const QString read = qEnvironmentVariable("VN340_READ_BEFORE_SCREENSHOT");
    options.readBeforeScreenshot = !read.isEmpty() && read != QLatin1String("0");
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
