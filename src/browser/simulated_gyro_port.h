#pragma once

// "Try without a gyro": the gyro simulator, in the module itself, stands in for the adapter on
// a port the page opens under kName. Its replies come back on the event loop at the times a
// real gyro's would, paced as the adapter's line paces them, so that the page behaves with it
// as with the adapter.

#include <cstdint>
#include <string_view>
#include <vector>

#include "base/event_loop.h"
#include "browser/page_ports.h"
#include "gyro_sim.h"

namespace vn340 {

class SimulatedGyroPort {
  public:
    static constexpr std::string_view kName = "Simulated gyro";

    // The loop and the ports outlive the port.
    SimulatedGyroPort(EventLoop& loop, PagePorts& ports, SimSettings settings = {});
    ~SimulatedGyroPort();
    SimulatedGyroPort(const SimulatedGyroPort&) = delete;
    SimulatedGyroPort& operator=(const SimulatedGyroPort&) = delete;

    // What the program sends it, at the loop's time now.
    void write(std::string_view bytes);

    GyroSimulator& gyro() { return gyro_; }

  private:
    EventLoop& loop_;
    PagePorts& ports_;
    GyroSimulator gyro_;
    // The replies on their way, to be called back when the port goes.
    std::vector<EventLoop::TimerId> deliveries_;
};

}  // namespace vn340
