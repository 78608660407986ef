#pragma once

// The real serial system with every call passed through, for doubles that change one or two
// of them.

#include "link/port_system.h"

namespace vn340::test {

class PassThroughPorts : public PortSystem {
  public:
    SysResult openDevice(const std::string& path, int* fd) override {
        return real().openDevice(path, fd);
    }
    SysResult closeDevice(int fd) override { return real().closeDevice(fd); }
    SysResult makeExclusive(int fd) override { return real().makeExclusive(fd); }
    SysResult applyLine(int fd, const LineSettings& line, LineParts parts) override {
        return real().applyLine(fd, line, parts);
    }
    SysResult requestLowLatency(int fd) override { return real().requestLowLatency(fd); }
    SysResult setModemLines(int fd, bool set) override { return real().setModemLines(fd, set); }
    SysResult readSome(int fd, void* b, std::size_t n, std::size_t* got) override {
        return real().readSome(fd, b, n, got);
    }
    SysResult writeSome(int fd, const void* b, std::size_t n, std::size_t* w) override {
        return real().writeSome(fd, b, n, w);
    }
    SysResult bytesWaiting(int fd, std::size_t* n) override { return real().bytesWaiting(fd, n); }
    SysResult lineCounters(int fd, LineCounters* c) override { return real().lineCounters(fd, c); }
    SysResult wait(int fd, bool r, bool w, int wakeFd, std::chrono::milliseconds timeout,
                   PortWaitResult* out) override {
        return real().wait(fd, r, w, wakeFd, timeout, out);
    }
    SysResult createWakeup(int* fd) override { return real().createWakeup(fd); }
    SysResult signalWakeup(int fd) override { return real().signalWakeup(fd); }
    SysResult drainWakeup(int fd) override { return real().drainWakeup(fd); }
    SysResult closeWakeup(int fd) override { return real().closeWakeup(fd); }

  private:
    static PortSystem& real() { return systemPortSystem(); }
};

}  // namespace vn340::test
