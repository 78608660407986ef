// How close a read and a write come to the speed of the wire, and what an open port costs
// while nothing happens.
//
// The gyro simulator serves a pseudo-terminal at a paced 9600 baud; the sequence engine talks
// to it through the real serial transport and Qt timers, as the window does. The physical
// limit of an exchange is the time its characters take on the wire, 10 bits each.

#include <sys/resource.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QProcess>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/sequence_timers.h"
#include "link/serial_port.h"
#include "protocol/sequence_engine.h"

namespace vn340 {
namespace {

constexpr double kBaud = 9600.0;

class BenchHost : public SequenceHost {
  public:
    BenchHost(SerialPort& port, QEventLoop& loop)
        : port_(port), loop_(loop), timers_([this](SequenceTimer t) { engine->onTimer(t); }) {}

    SequenceEngine* engine = nullptr;
    std::size_t sent = 0;
    std::size_t received = 0;
    std::string failure;
    // Time from each send to the last character received before the next send, and from
    // that character to the next send: where the time goes besides the wire.
    QElapsedTimer clock;
    qint64 lastSend = -1, lastReceive = -1;
    qint64 exchangeNs = 0, gapNs = 0;

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
        port_.sendText(frame);
    }
    void setStatus(std::string_view) override {}
    void showStatus(std::string_view) override {}
    void showMessage(std::string_view text) override { failure = text; }
    void enableControls(bool enable) override {
        if (enable) {
            loop_.quit();
        }
    }
    void enableGyroButtons(bool) override {}
    bool adapterOpen() const override { return true; }
    void takeControlsIntoFields() override {}
    void refreshControls() override {}
    StatisticsAnswer offerStatistics() override { return StatisticsAnswer::Finish; }
    void diagnosticsMenuChanged(bool) override {}

  private:
    SerialPort& port_;
    QEventLoop& loop_;
    SequenceTimers timers_;
};

double cpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    auto seconds = [](const timeval& t) { return t.tv_sec + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

}  // namespace
}  // namespace vn340

int main(int argc, char** argv) {
    using namespace vn340;
    QCoreApplication app(argc, argv);

    QProcess simulator;
    simulator.start(QStringLiteral(VN340_SIM_PROGRAM), {QStringLiteral("--baud-pace")});
    if (!simulator.waitForReadyRead(5000)) {
        std::fprintf(stderr, "vn340-sim did not start\n");
        return 1;
    }
    const std::string path = simulator.readLine().trimmed().toStdString();

    QEventLoop loop;
    SerialPort port;
    GyroConfig config;
    loadDefaults(config);
    BenchHost host(port, loop);
    SequenceEngine engine(config, host);
    host.engine = &engine;

    auto dispatch = [&](std::string_view text) {
        host.received += text.size();
        host.noteReceive();
        engine.dispatchReply(text);
    };
    if (!port.open(path, &app, [&](const ComNotification& n) { onComData(port, n, dispatch); }) ||
        !port.setup(9600, 8, Parity::None, StopBits::One) ||
        !port.setupHandshaking(Handshake::Off)) {
        std::fprintf(stderr, "cannot open %s\n", path.c_str());
        return 1;
    }

    auto measure = [&](const char* what, auto start) {
        host.sent = host.received = 0;
        host.exchangeNs = host.gapNs = 0;
        host.lastSend = host.lastReceive = -1;
        host.clock.start();
        start();
        loop.exec();
        host.closeExchange();
        const double seconds = host.clock.nsecsElapsed() / 1e9;
        const std::size_t characters = host.sent + host.received;
        const double wire = characters * 10.0 / kBaud;
        std::printf("%-6s %7.3f s for %4zu characters, wire time %7.3f s, ratio %.3f%s%s\n", what,
                    seconds, characters, wire, seconds / wire, host.failure.empty() ? "" : "  ",
                    host.failure.c_str());
        std::printf(
            "       %.3f s from frames to their replies, %.3f s between replies and frames\n",
            host.exchangeNs / 1e9, host.gapNs / 1e9);
        return host.failure.empty();
    };
    const bool ok = measure("read", [&] { engine.startRead(); }) &&
                    measure("write", [&] { engine.startWrite(); });

    const double cpuBefore = cpuSeconds();
    QTimer::singleShot(10'000, &loop, &QEventLoop::quit);
    loop.exec();
    std::printf("idle   %.4f s of CPU in 10 s with the port open\n", cpuSeconds() - cpuBefore);

    port.close();
    simulator.terminate();
    simulator.waitForFinished(3000);
    return ok ? 0 : 1;
}
