#include "app/startup_probe.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QEvent>
#include <QFile>
#include <QLineEdit>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QTimer>
#include <QWidget>
#include <algorithm>
#include <cstdio>

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
        if (options_.readBeforeScreenshot && !options_.screenshotPath.isEmpty()) {
            startRead();
        } else {
            report();
        }
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
            if (text == QLatin1String("Read complete") && !reported_ && !readDone_) {
                readDone_ = true;
                readTimer_.stop();
                QTimer::singleShot(0, this, [this] { afterRead(); });
            }
        });
        readTimer_.setSingleShot(true);
        connect(&readTimer_, &QTimer::timeout, this, [this] {
            std::fprintf(stderr, "the read from the gyro did not complete\n");
            // A message the read left on screen would keep the window from closing.
            if (QWidget* modal = QApplication::activeModalWidget(); modal != &window_ && modal) {
                if (auto* dialog = qobject_cast<QDialog*>(modal)) {
                    dialog->reject();
                }
            }
            report(false);
        });
        readTimer_.start(options_.readTimeoutMs);
        button->click();
    }

    void afterRead() {
        if (options_.liveSignalsSeconds <= 0) {
            report();
            return;
        }
        auto* liveSignals = window_.findChild<QAction*>(QStringLiteral("liveSignals"));
        if (liveSignals == nullptr || !liveSignals->isEnabled()) {
            std::fprintf(stderr, "cannot open the live signals\n");
            report(false);
            return;
        }
        liveSignals->trigger();
        QTimer::singleShot(options_.liveSignalsSeconds * 1000, this, [this] { report(); });
    }

    // The window, and the live signals to its right when they are open.
    QPixmap picture() const {
        const QPixmap main = window_.grab();
        auto* live = window_.findChild<QDialog*>(QStringLiteral("liveSignalsWindow"));
        if (live == nullptr || !live->isVisible()) {
            return main;
        }
        const QPixmap beside = live->grab();
        constexpr int kGap = 16;
        QPixmap both(main.width() + kGap + beside.width(),
                     std::max(main.height(), beside.height()));
        both.fill(Qt::white);
        QPainter painter(&both);
        painter.drawPixmap(0, 0, main);
        painter.drawPixmap(main.width() + kGap, 0, beside);
        return both;
    }

    // The screenshot is taken even after a failed read: it shows what went wrong.
    void report(bool ok = true) {
        if (reported_) {
            return;
        }
        reported_ = true;
        readTimer_.stop();
        if (options_.reportFirstPaint) {
            std::printf("first-paint-ns=%lld rss-kb=%lld\n", monotonicNanoseconds(),
                        residentKilobytes());
            std::fflush(stdout);
        }
        if (!options_.screenshotPath.isEmpty()) {
            if (picture().save(options_.screenshotPath, "PNG")) {
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
    bool readDone_ = false;
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
    options.liveSignalsSeconds = qEnvironmentVariableIntValue("VN340_LIVE_SIGNALS_SECONDS");
    return options;
}

void installStartupProbe(QWidget& window, const StartupProbeOptions& options,
                         std::function<void(bool ok)> finish) {
    if (!options.active()) {
        return;
    }
    // Owned by the window; it removes its filter once it has reported.
    new FirstPaintWatcher(window, options, std::move(finish));
}

}  // namespace vn340
