// The help tip beside QToolTip: the time from the start of the show step to the tip window
// painted, for the longest help text, alternately in the same run on the same X server.
// ShowAt runs the very show step the show timer runs (measure, place, shape, background,
// screen snapshot, show); QToolTip gets the same text as rich text, so it wraps too. Each
// measurement ends when the event loop comes back from the tip's first paint, for both alike.
//
// Usage: help_tip_bench [rounds]
// The snapshot needs a real X server: without a display it starts itself again in xvfb-run.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QToolTip>
#include <QWidget>

#include "controls/help_texts.h"
#include "desktop/qt_event_loop.h"
#include "ui/help_tip.h"

namespace {

// Notices the first paint of a tooltip window: ours, or any other (Qt's).
class PaintWatch : public QObject {
  public:
    QWidget* ours = nullptr;
    bool oursPainted = false;
    bool otherPainted = false;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            auto* w = qobject_cast<QWidget*>(watched);
            if (w != nullptr && w == ours) {
                oursPainted = true;
            } else if (w != nullptr && w->windowType() == Qt::ToolTip) {
                otherPainted = true;
            }
        }
        return false;
    }
};

void runUntil(const std::function<bool()>& done) {
    while (!done()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 50);
    }
}

void settle() {
    for (int i = 0; i < 5; ++i) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

QString asRichText(const char* text) {
    QString html = QString::fromLatin1(text).toHtmlEscaped();
    html.replace(QLatin1Char('\n'), QLatin1String("<br>"));
    return QStringLiteral("<p>") + html + QStringLiteral("</p>");
}

}  // namespace

int main(int argc, char** argv) {
    const char* display = std::getenv("DISPLAY");
    if (display == nullptr || *display == '\0') {
        std::vector<char*> args = {const_cast<char*>("xvfb-run"), const_cast<char*>("-a"),
                                   const_cast<char*>("-s"),
                                   const_cast<char*>("-screen 0 1280x1024x24")};
        for (int i = 0; i < argc; ++i) {
            args.push_back(argv[i]);
        }
        args.push_back(nullptr);
        execvp("xvfb-run", args.data());
        std::perror("xvfb-run");
        return 2;
    }
    QApplication app(argc, argv);
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 31;

    const vn340::HelpText* longest = &vn340::helpTexts().front();
    for (const vn340::HelpText& h : vn340::helpTexts()) {
        if (std::strlen(h.text) > std::strlen(longest->text)) {
            longest = &h;
        }
    }
    const QString qtText = asRichText(longest->text);

    QWidget owner;
    owner.setGeometry(0, 0, 900, 700);
    owner.show();
    runUntil([&] { return owner.isVisible(); });
    settle();
    vn340::QtEventLoop loop;
    vn340::HelpTip tip(loop);
    tip.Create(&owner, true);
    tip.Renderer().SetMaxWidth(500);
    tip.SetDelayTime(vn340::tipdelay::kHide, std::chrono::milliseconds(100000));
    PaintWatch watch;
    watch.ours = tip.Window();
    app.installEventFilter(&watch);
    const QPoint at(640, 800);

    std::vector<double> ours;
    std::vector<double> qt;
    QElapsedTimer clock;
    for (int round = 0; round < rounds; ++round) {
        watch.oursPainted = false;
        clock.start();
        tip.ShowAt(at, longest->text);
        runUntil([&] { return watch.oursPainted; });
        ours.push_back(static_cast<double>(clock.nsecsElapsed()) / 1e6);
        tip.HideNow();
        settle();

        watch.otherPainted = false;
        clock.start();
        QToolTip::showText(at, qtText, &owner);
        runUntil([&] { return watch.otherPainted; });
        qt.push_back(static_cast<double>(clock.nsecsElapsed()) / 1e6);
        QToolTip::hideText();
        runUntil([] { return !QToolTip::isVisible(); });
        settle();
    }
    const double a = median(ours);
    const double b = median(qt);
    std::printf("longest help text: control %d, %zu characters, tip %dx%d\n",
                controlId(longest->control), std::strlen(longest->text), tip.Window()->width(),
                tip.Window()->height());
    std::printf("show step to painted, median of %d rounds (ms):\n", rounds);
    std::printf("  HelpTip::ShowAt      %8.2f\n", a);
    std::printf("  QToolTip::showText   %8.2f\n", b);
    std::printf("ratio HelpTip/QToolTip: %.2f (goal 2 or less)\n", b > 0 ? a / b : 0.0);
    return 0;
}
