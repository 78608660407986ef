#pragma once

// The serial ports the page has opened for the program: the adapter the pilot connected over
// Web Serial, or the simulated gyro of "Try without a gyro". Opening a port in a browser waits
// for the pilot's choice and for the browser, which the program's synchronous open cannot do.
// So the page opens the port first and then tells the program it is there, as the desktop's
// system tells of an adapter plugged in; the program's own open only takes it into use. What
// arrives, and a port that has gone, the page tells the same way. Plain C++: the page's calls
// arrive through the module's bindings, and the tests make them directly.

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "link/device_events.h"
#include "link/transports.h"

namespace vn340 {

class PagePorts {
  public:
    // Bytes for the port of that name, to be written by the page.
    using Writer = std::function<void(std::string_view port, std::string_view bytes)>;

    explicit PagePorts(Writer writer) : writer_(std::move(writer)) {}

    // --- what the page tells ---
    // The page has opened a port under this name; it is offered from now on.
    void portOpened(const std::string& name);
    // Bytes read from a port.
    void bytesArrived(std::string_view name, std::string_view bytes);
    // A port the page has lost: pulled out, or closed by the browser.
    void portGone(std::string_view name);

    // The transports over these ports, and the news of them coming and going; each lives
    // no longer than the ports.
    std::unique_ptr<Transports> makeTransports();
    std::unique_ptr<DeviceEvents> makeDeviceEvents();

    const std::vector<std::string>& names() const { return names_; }

  private:
    friend class PageTransports;
    friend class PageDeviceEvents;

    bool listed(std::string_view name) const;
    void tell(DeviceEvent::Action action, std::string_view name);

    Writer writer_;
    std::vector<std::string> names_;
    // The port the transports have taken into use; empty when none.
    std::string inUse_;
    std::function<void(std::string_view)> receiver_;
    std::function<void()> hangUp_;
    DeviceEvents::Handler events_;
};

}  // namespace vn340
