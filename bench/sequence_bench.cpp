// How close a read and a write come to the speed of the wire, on both transports, and what an
// open port costs while nothing happens.
//
// The gyro simulator answers at a paced 9600 baud: on a pseudo-terminal through the real
// serial transport, and behind the simulated D2XX library through the real USB adapter. The
// sequence engine talks to either through Qt timers, as the window does. The physical limit of
// an exchange is the time its characters take on the wire, 10 bits each.
//
// The USB adapter runs three ways: with every character handed on as it comes (what the
// notification thread alone costs), and with the chip's latency timer at its default of 16 ms
// and at the shortest the program asks for. Then the same read runs through the real window,
// clicked as the pilot clicks it, so that what the window does after every block is measured
// too; its wire time is that of the read without a window, which exchanges the same frames.
// The window needs an X server: without a display the bench starts itself again in xvfb-run.

#include <sys/resource.h>
#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/config_dialog.h"
#include "desktop/desktop_platform.h"
#include "desktop/qt_timers.h"
#include "link/qt_owner_thread.h"
#include "link/serial_port.h"
#include "link/system_transports.h"
#include "link/usb_adapter.h"
#include "on_a_display.h"
#include "protocol/sequence_engine.h"
#include "session/platform.h"

namespace vn340 {
namespace {

constexpr double kBaud = 9600.0;

// The engine's host, front end and screen: the timers on Qt, the frames to the transport, the
// status line watched for the read-back, and the end of a sequence ending the measurement.
class BenchHost : public SequenceHost, public FrontEnd, public BlankScreen {
  public:
    explicit BenchHost(QEventLoop& loop)
        : loop_(loop), timers_([this](SequenceTimer t) { engine->onTimer(t); }) {}

    SequenceEngine* engine = nullptr;
    std::function<void(std::string_view)> send;
    std::size_t sent = 0;
    std::size_t received = 0;
    std::string failure;
    // Time from each send to the last character received before the next send, and from
    // that character to the next send: where the time goes besides the wire.
    QElapsedTimer clock;
    qint64 lastSend = -1, lastReceive = -1;
    qint64 exchangeNs = 0, gapNs = 0;
    // Where a store begins to read its words back, and what had crossed the wire by then.
    qint64 verifyNs = -1;
    std::size_t characterCountAtVerify = 0;

    void noteReceive() { lastReceive = clock.nsecsElapsed(); }
    void closeExchange() {
        if (lastSend >= 0 && lastReceive >= lastSend) {
            exchangeNs += lastReceive - lastSend;
        }
    }

    void armTimer(SequenceTimer timer, std::chrono::milliseconds delay) override {
        timers_.arm(timer, delay);
    }
    void killTimer(SequenceTimer timer) override { timers_.kill(timer); }
    void sendFrame(std::string_view frame) override {
        const qint64 now = clock.nsecsElapsed();
        closeExchange();
        if (lastReceive >= 0 && lastReceive >= lastSend) {
            gapNs += now - lastReceive;
        }
        lastSend = now;
        sent += frame.size();
        send(frame);
    }
    bool adapterOpen() const override { return true; }
    StatisticsAnswer offerStatistics() override { return StatisticsAnswer::Finish; }
    void sequenceEnded(const SequenceOutcome& outcome) override {
        if (const std::optional<std::string> message = outcomeMessage(outcome)) {
            failure = *message;
        }
    }

    void showStatus(std::string_view text) override {
        if (text == sequence_text::kVerifying) {
            verifyNs = clock.nsecsElapsed();
            characterCountAtVerify = sent + received;
        }
    }
    void showMessage(std::string_view text) override { failure = text; }
    void showSystemMessage(std::string_view text) override { failure = text; }
    PromptAnswer askContinueAbort(std::string_view) override { return PromptAnswer::Abort; }
    bool askOverwrite(std::string_view) override { return false; }
    std::optional<std::string> askSavePath(const FileDialogRequest&) override { return {}; }
    std::optional<std::string> askLoadPath(const FileDialogRequest&) override { return {}; }
    std::optional<bool> askSafetyAgreement() override { return true; }
    PilotChoice askStatistics() override { return {}; }
    Submission uploadStatistics(const std::string&) override { return {}; }

    void enableControls(bool enable) override {
        if (enable) {
            loop_.quit();
        }
    }

  private:
    QEventLoop& loop_;
    QtTimers timers_;
};

// A library that lacks the latency-timer call, so the chip keeps its default.
class WithoutLatencyTimer : public D2xxLibrary {
  public:
    explicit WithoutLatencyTimer(D2xxLibrary& library) : library_(library) {}

    SysResult load() override { return library_.load(); }
    void unload() override { library_.unload(); }
    bool has(D2xxEntry entry) const override {
        return entry != D2xxEntry::SetLatencyTimer && library_.has(entry);
    }
    d2xx::FtStatus openEx(const std::string& description, d2xx::Dword flags,
                          d2xx::FtHandle* handle) override {
        return library_.openEx(description, flags, handle);
    }
    d2xx::FtStatus close(d2xx::FtHandle handle) override { return library_.close(handle); }
    d2xx::FtStatus setBaudRate(d2xx::FtHandle handle, d2xx::Ulong baud) override {
        return library_.setBaudRate(handle, baud);
    }
    d2xx::FtStatus write(d2xx::FtHandle handle, const void* bytes, d2xx::Dword count,
                         d2xx::Dword* written) override {
        return library_.write(handle, bytes, count, written);
    }
    d2xx::FtStatus read(d2xx::FtHandle handle, void* bytes, d2xx::Dword count,
                        d2xx::Dword* got) override {
        return library_.read(handle, bytes, count, got);
    }
    d2xx::FtStatus getStatus(d2xx::FtHandle handle, d2xx::Dword* rxBytes, d2xx::Dword* txBytes,
                             d2xx::Dword* eventStatus) override {
        return library_.getStatus(handle, rxBytes, txBytes, eventStatus);
    }
    d2xx::FtStatus getQueueStatus(d2xx::FtHandle handle, d2xx::Dword* rxBytes) override {
        return library_.getQueueStatus(handle, rxBytes);
    }
    d2xx::FtStatus setLatencyTimer(d2xx::FtHandle, d2xx::Uchar) override {
        return d2xx::kFtNotSupported;
    }
    d2xx::FtStatus setEventNotification(d2xx::FtHandle handle, d2xx::Dword mask) override {
        return library_.setEventNotification(handle, mask);
    }
    bool waitEvent(std::chrono::milliseconds limit, const std::function<bool()>& ready) override {
        return library_.waitEvent(limit, ready);
    }
    void wakeEvent() override { library_.wakeEvent(); }

  private:
    D2xxLibrary& library_;
};

// Quits `loop` once `button` is on again: the sequence it started has ended.
class WhenEnabled : public QObject {
  public:
    WhenEnabled(QWidget& button, QEventLoop& loop) : button_(button), loop_(loop) {
        button_.installEventFilter(this);
    }

  protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::EnabledChange && button_.isEnabled()) {
            loop_.quit();
        }
        return false;
    }

  private:
    QWidget& button_;
    QEventLoop& loop_;
};

double cpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    auto seconds = [](const timeval& t) { return t.tv_sec + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// Widgets painted, and the window's own surface among them.
class PaintCounter : public QObject {
  public:
    explicit PaintCounter(QWidget& window) : window_(window) { qApp->installEventFilter(this); }
    ~PaintCounter() override { qApp->removeEventFilter(this); }
    int widgets = 0;
    int surface = 0;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            ++widgets;
            surface += watched == &window_ ? 1 : 0;
        }
        return false;
    }

  private:
    QWidget& window_;
};

struct WindowRead {
    double seconds;
    double cpuSeconds;
    int widgetPaints;
    int surfacePaints;
};

// Reads the simulated gyro behind "USB" `runs` times through the program's window, from the
// click on "Read from gyro" to the button being on again.
std::vector<WindowRead> readsThroughWindow(int runs) {
    QTemporaryDir folder;
    const QString root = folder.path();
    QFile preferences(root + "/TarvelRCGyro.ini");
    // "USB" opened at the start, no safety warning, no statistics offer after the read.
    if (!preferences.open(QIODevice::WriteOnly) ||
        preferences.write("[Settings]\r\nCOM PORT=USB\r\nWARNING=1\r\nDATE=99999999\r\n") <= 0) {
        return {};
    }
    preferences.close();
    ProgramPaths paths;
    paths.programFolder = paths.configHome = root.toStdString();
    paths.sysClassTty = (root + "/no-tty-class").toStdString();
    paths.deviceFolder = (root + "/no-dev/").toStdString();
    paths.d2xxLibrary = VN340_SIM_D2XX;
    paths.historyFolder = (root + "/history").toStdString();

    DesktopPlatform platform(paths);
    ConfigDialog window(platform, paths);
    window.show();
    QEventLoop loop;
    QTimer::singleShot(500, &loop, &QEventLoop::quit);  // shown and painted
    loop.exec();
    auto* read = window.findChild<QPushButton*>(QStringLiteral("idc1031"));
    if (read == nullptr || !read->isEnabled()) {
        return {};
    }
    WhenEnabled ended(*read, loop);
    std::vector<WindowRead> reads;
    for (int i = 0; i < runs; ++i) {
        PaintCounter paints(window);
        QElapsedTimer clock;
        const double cpuBefore = cpuSeconds();
        clock.start();
        read->click();
        loop.exec();
        reads.push_back(
            {clock.nsecsElapsed() / 1e9, cpuSeconds() - cpuBefore, paints.widgets, paints.surface});
    }
    window.close();
    return reads;
}

}  // namespace
}  // namespace vn340

int main(int argc, char** argv) {
    using namespace vn340;
    vn340::bench::runOnADisplay(argc, argv);
    QApplication app(argc, argv);

    QProcess simulator;
    simulator.start(QStringLiteral(VN340_SIM_PROGRAM), {QStringLiteral("--baud-pace")});
    if (!simulator.waitForReadyRead(5000)) {
        std::fprintf(stderr, "vn340-sim did not start\n");
        return 1;
    }
    const std::string path = simulator.readLine().trimmed().toStdString();

    QEventLoop loop;
    GyroConfig config;
    loadDefaults(config);
    BenchHost host(loop);
    SequenceEngine engine(config, host, host, host);
    host.engine = &engine;

    auto dispatch = [&](std::string_view text) {
        host.received += text.size();
        host.noteReceive();
        engine.dispatchReply(text);
    };

    double lastRatio = 0;
    std::size_t lastCharacters = 0;
    auto measure = [&](const char* transport, const char* what, auto start) {
        host.sent = host.received = 0;
        host.exchangeNs = host.gapNs = 0;
        host.lastSend = host.lastReceive = -1;
        host.verifyNs = -1;
        host.failure.clear();
        host.clock.start();
        start();
        loop.exec();
        host.closeExchange();
        const double seconds = host.clock.nsecsElapsed() / 1e9;
        const std::size_t characters = host.sent + host.received;
        const double wire = characters * 10.0 / kBaud;
        std::printf("%-26s %-5s %6.3f s for %4zu characters, wire %6.3f s, ratio %.3f%s%s\n",
                    transport, what, seconds, characters, wire, seconds / wire,
                    host.failure.empty() ? "" : "  ", host.failure.c_str());
        lastRatio = seconds / wire;
        lastCharacters = characters;
        std::printf(
            "%-32s %.3f s from frames to their replies, %.3f s between replies and "
            "frames\n",
            "", host.exchangeNs / 1e9, host.gapNs / 1e9);
        if (host.verifyNs >= 0) {
            // The read-back against its own wire time, and the store without it beside it.
            const double readBack = seconds - host.verifyNs / 1e9;
            const double readBackWire = (characters - host.characterCountAtVerify) * 10.0 / kBaud;
            std::printf(
                "%-32s store without read-back %.3f s, read-back %.3f s for %zu characters, "
                "wire %.3f s, ratio %.3f\n",
                "", host.verifyNs / 1e9, readBack, characters - host.characterCountAtVerify,
                readBackWire, readBack / readBackWire);
        }
        return host.failure.empty();
    };
    // The read of the last USB run, which the window's read is set beside.
    double windowlessRatio = 0;
    std::size_t windowlessCharacters = 0;
    auto readAndWrite = [&](const char* transport, bool write) {
        bool ok = measure(transport, "read", [&] { engine.startRead(); });
        windowlessRatio = lastRatio;
        windowlessCharacters = lastCharacters;
        if (write) {
            ok = measure(transport, "write", [&] { engine.startWrite(); }) && ok;
        }
        return ok;
    };

    bool ok = true;
    QtOwnerThread guiThread(&app);
    SerialPort port;
    if (!port.open(path, guiThread,
                   [&](const ComNotification& n) { onComData(port, n, dispatch); }) ||
        !port.setup(9600, 8, Parity::None, StopBits::One) ||
        !port.setupHandshaking(Handshake::Off)) {
        std::fprintf(stderr, "cannot open %s\n", path.c_str());
        return 1;
    }
    host.send = [&](std::string_view frame) { port.sendText(frame); };
    ok = readAndWrite("serial (pseudo-terminal)", true) && ok;

    struct UsbRun {
        const char* transport;
        bool oneByOne;
        bool latencyTimerCall;
        bool write;
    };
    const UsbRun usbRuns[] = {
        {"USB, one by one", true, true, true},
        {"USB, latency timer 16 ms", false, false, false},
        {"USB, latency timer 2 ms", false, true, true},
    };
    const std::unique_ptr<D2xxLibrary> library = loadableD2xxLibrary(VN340_SIM_D2XX);
    WithoutLatencyTimer withoutLatencyTimer(*library);
    for (const UsbRun& run : usbRuns) {
        if (run.oneByOne) {
            ::setenv("VN340_D2XX_NO_LATENCY_TIMER", "1", 1);
        } else {
            ::unsetenv("VN340_D2XX_NO_LATENCY_TIMER");
        }
        UsbAdapter adapter(
            host, run.latencyTimerCall ? *library : static_cast<D2xxLibrary&>(withoutLatencyTimer),
            SystemTransports::kUsbLine);
        if (!adapter.open(false) ||
            !adapter.startNotificationThread(guiThread, [&] { adapter.onUsbData(dispatch); })) {
            std::fprintf(stderr, "cannot open the simulated USB adapter\n");
            return 1;
        }
        adapter.setInUse(true);
        host.send = [&](std::string_view frame) { adapter.write(frame); };
        ok = readAndWrite(run.transport, run.write) && ok;
        adapter.close();
    }

    // The program's own adapter settings: the shortest latency timer.
    ::unsetenv("VN340_D2XX_NO_LATENCY_TIMER");
    const std::vector<WindowRead> windowReads = readsThroughWindow(5);
    if (windowReads.empty()) {
        std::fprintf(stderr, "the window did not open the simulated USB adapter\n");
        ok = false;
    }
    const double wire = windowlessCharacters * 10.0 / kBaud;
    for (const WindowRead& read : windowReads) {
        std::printf(
            "%-26s %-5s %6.3f s for %4zu characters, wire %6.3f s, ratio %.3f "
            "(without the window %.3f)\n",
            "USB through the window", "read", read.seconds, windowlessCharacters, wire,
            read.seconds / wire, windowlessRatio);
        std::printf("%-32s %.3f s of CPU, %d widgets painted, %d of them the window's surface\n",
                    "", read.cpuSeconds, read.widgetPaints, read.surfacePaints);
    }

    const double cpuBefore = cpuSeconds();
    QTimer::singleShot(10'000, &loop, &QEventLoop::quit);
    loop.exec();
    std::printf("idle   %.4f s of CPU in 10 s with the serial port open\n",
                cpuSeconds() - cpuBefore);

    port.close();
    simulator.terminate();
    simulator.waitForFinished(3000);
    return ok ? 0 : 1;
}
