#pragma once

// Serial ports as the program finds them on disk, in a folder of the test's: the system's tty
// class, where each port has a driver, and the device folder. A port can lead to vn340-sim on
// a pseudo-terminal, started by the test, whose memory is read from what it prints as it ends.

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>

#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <utility>

#include "session/program_paths.h"

namespace vn340::testing {

class SerialPortsOnDisk {
  public:
    // Makes the folders under `root`; an empty root (no temporary folder) makes nothing.
    explicit SerialPortsOnDisk(std::filesystem::path root) : root_(std::move(root)) {
        if (root_.empty()) {
            return;
        }
        std::filesystem::create_directories(root_ / "drivers" / "ftdi_sio");
        std::filesystem::create_directories(root_ / "class" / "tty");
        std::filesystem::create_directories(root_ / "dev");
    }

    // A serial port with a driver leading to `terminal`; with none, one that nobody will open.
    void add(const std::string& name, const std::string& terminal = {}) const {
        const std::filesystem::path tty = root_ / "class" / "tty" / name;
        std::filesystem::create_directories(tty / "device");
        std::filesystem::create_directory_symlink(root_ / "drivers" / "ftdi_sio",
                                                  tty / "device" / "driver");
        if (!terminal.empty()) {
            std::filesystem::create_symlink(terminal, root_ / "dev" / name);
        } else {
            std::ofstream(tty / "type") << "4\n";  // a real UART, for the ttyS* ports
        }
    }

    // The program looks for its serial ports here.
    void useIn(ProgramPaths& paths) const {
        paths.sysClassTty = (root_ / "class" / "tty").string();
        paths.deviceFolder = (root_ / "dev").string() + "/";
    }

  private:
    std::filesystem::path root_;
};

#ifdef VN340_SIM_PATH
// vn340-sim on a pseudo-terminal, started with `options`; killed if the test does not stop it.
class SimulatorProcess {
  public:
    explicit SimulatorProcess(const QStringList& options) {
        process_.start(QStringLiteral(VN340_SIM_PATH), options);
        if (process_.waitForStarted() && process_.waitForReadyRead(10000)) {
            path_ = QString::fromUtf8(process_.readLine()).trimmed().toStdString();
        }
    }
    ~SimulatorProcess() {
        if (process_.state() != QProcess::NotRunning) {
            process_.kill();
            process_.waitForFinished();
        }
    }

    // The pseudo-terminal; empty when the simulator did not start.
    const std::string& path() const { return path_; }

    // SIGTERM, then the "0xADDR=0xVALUE" lines it prints; none if it did not end.
    std::map<int, int> stopAndReadMemory() {
        process_.terminate();
        std::map<int, int> memory;
        if (!process_.waitForFinished(10000)) {
            return memory;
        }
        for (const QByteArray& line : process_.readAllStandardOutput().split('\n')) {
            const QList<QByteArray> parts = line.trimmed().split('=');
            if (parts.size() == 2) {
                memory[parts[0].toInt(nullptr, 16)] = parts[1].toInt(nullptr, 16);
            }
        }
        return memory;
    }
    // What "--log" wrote of the exchange, once stopped.
    QString log() { return QString::fromUtf8(process_.readAllStandardError()); }

  private:
    QProcess process_;
    std::string path_;
};
#endif

}  // namespace vn340::testing
