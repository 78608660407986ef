#include "link/port_selection.h"

#include <algorithm>
#include <cerrno>

#include "base/ascii_case.h"
#include "link/usb_adapter.h"

namespace vn340 {

bool portNameBefore(std::string_view a, std::string_view b) {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return static_cast<unsigned char>(lowerAscii(x)) <
               static_cast<unsigned char>(lowerAscii(y));
    });
}

namespace port_text {

std::string found(std::string_view port) {
    return "Found Vexa-Plug interface on " + std::string(port) + ". " +
           "\n\nPlug the the Vexa-Plug interface to the gyro\u2019s communication port. "
           "\n\nPress OK";
}

std::string permissionHelp(std::string_view port, std::string_view group) {
    std::string help = "This computer does not let you use /dev/" + std::string(port) +
                       ".\n\nIf the vn340-config package is installed, unplug the adapter and "
                       "plug it in again: its rule " +
                       std::string(kUdevRule) +
                       " lets the person at the computer use it without joining any group.";
    // Only a group made for serial ports is offered: joining the group of a device owned by
    // "root" (or any other) would hand out far more than the adapter.
    if (group == "dialout" || group == "uucp") {
        help += " Otherwise join the group \"" + std::string(group) +
                "\" that owns serial ports (sudo usermod -aG " + std::string(group) +
                " $USER), then log out and log in again.";
    } else {
        help += " Without the package, install that rule by hand.";
    }
    return help;
}

std::string adapterGone(std::string_view port) {
    return "The Vexa-Plug on " + std::string(port) +
           " has been unplugged, and the port is closed.\n\nPlug it in again to carry on: it "
           "is opened again as soon as it is back.";
}

std::string adapterBack(std::string_view port) {
    return "The Vexa-Plug is back on " + std::string(port) + " and open again.";
}

}  // namespace port_text

namespace {

bool isPermissionError(const SysResult& result) {
    return result.error == EACCES || result.error == EPERM;
}

}  // namespace

void PortSelection::fillPortSelectorAtStartup(std::string savedPort) {
    savedPort_ = std::move(savedPort);
    portList_ = transports_.enumerateSerialPorts();
    portList_.emplace_back(kUsbPortName);
    bool savedPresent = false;
    for (const std::string& name : portList_) {
        view_.addSelectorEntry(name);
        savedPresent = savedPresent || name == savedPort_;
    }
    if (!savedPresent) {
        // A port that has gone since the last run is simply not offered again.
        savedPort_.clear();
        view_.enableGyroButtons(false);
        return;
    }
    view_.selectEntry(savedPort_);
    if (savedPort_ == kUsbPortName) {
        if (const SysResult opened = transports_.openUsb(true); !opened) {
            view_.enableGyroButtons(false);
            // Not "serial port": it is the USB adapter that failed, and the pilot is told why.
            frontEnd_.showMessage(usb_text::withSerialAlternative(opened.message));
            savedPort_.clear();
        }
        return;
    }
    if (!openSerialPort(savedPort_)) {
        savedPort_.clear();
    }
}

void PortSelection::refreshPortList() {
    lost_.clear();
    view_.clearSelector();
    portList_.clear();
    closeConnection();
    view_.enableGyroButtons(false);
    portList_ = transports_.enumerateSerialPorts();
    view_.addSelectorEntry(kUsbPortName);
    for (const std::string& name : portList_) {
        view_.addSelectorEntry(name);
    }
}

void PortSelection::openSelectedPort() {
    const std::optional<std::string> selected = view_.selectedEntry();
    if (!selected) {
        view_.enableGyroButtons(false);
        savedPort_.clear();
        return;
    }
    if (*selected == kUsbPortName) {
        if (transports_.openUsb(false)) {
            chosen(kUsbPortName);
            savedPort_ = kUsbPortName;
            view_.enableGyroButtons(true);
        }
    } else if (openSerialPort(*selected)) {
        chosen(*selected);
        savedPort_ = *selected;
    } else {
        savedPort_.clear();
    }
}

void PortSelection::chosen(std::string_view name) {
    if (portChosen_) {
        portChosen_(name);
    }
}

bool PortSelection::openSerialPort(std::string_view name) {
    const SysResult opened = transports_.openSerial(name);
    if (!opened) {
        view_.enableGyroButtons(false);
        frontEnd_.showMessage(port_text::kUnableToOpen);
        if (isPermissionError(opened)) {
            frontEnd_.showMessage(port_text::permissionHelp(name, transports_.deviceGroup(name)));
        }
        return false;
    }
    view_.enableGyroButtons(true);
    return true;
}

void PortSelection::closeConnection() {
    if (transports_.usbInUse()) {
        transports_.closeUsb();
    } else if (transports_.serialOpen()) {
        transports_.closeSerial();
    }
}

void PortSelection::showFound(std::string_view port) {
    frontEnd_.showMessage(port_text::found(port));
}

void PortSelection::detectAdapterPort() {
    // Whatever it finds, or not, stands: a lost adapter is not waited for any more.
    lost_.clear();
    detecting_ = true;
    struct Done {
        bool& flag;
        ~Done() { flag = false; }
    } done{detecting_};
    const PromptAnswer unplugged = frontEnd_.askContinueAbort(port_text::kUnplug);
    if (unplugged == PromptAnswer::Abort) {
        return;
    }
    // Whatever is open is closed either way: an old port left open would hide the new one or
    // keep it from opening, and an adapter left in use would be "found" without being looked
    // for.
    if (transports_.serialOpen()) {
        transports_.closeSerial();
    }
    if (transports_.usbInUse()) {
        transports_.closeUsb();
    }
    view_.enableGyroButtons(false);
    view_.clearSelector();
    if (unplugged == PromptAnswer::Continue) {
        portList_ = transports_.enumerateSerialPorts();
    }
    // Escape compares with the ports listed last, which are serial ports only.
    std::vector<std::string> before = portList_;
    std::erase(before, std::string(kUsbPortName));
    portList_.clear();

    if (frontEnd_.askContinueAbort(port_text::kPlugIn) != PromptAnswer::Continue) {
        return;
    }

    std::string foundPort;
    if (transports_.openUsb(true)) {
        foundPort = kUsbPortName;
        showFound(foundPort);
        transports_.closeUsb();
    } else {
        portList_ = transports_.enumerateSerialPorts();
        std::vector<std::string> added;
        for (const std::string& name : portList_) {
            if (std::find(before.begin(), before.end(), name) == before.end()) {
                added.push_back(name);
            }
        }
        if (portList_.size() <= before.size() || added.size() != 1) {
            frontEnd_.showMessage(port_text::kNotDetected);
            view_.clearSelector();
            return;
        }
        foundPort = added.front();
        showFound(foundPort);
    }

    savedPort_ = foundPort;
    view_.clearSelector();
    view_.addSelectorEntry(foundPort);
    view_.selectEntry(foundPort);
    openSelectedPort();
}

void PortSelection::portAdded(std::string_view name) {
    if (detecting_ || std::find(portList_.begin(), portList_.end(), name) != portList_.end()) {
        return;
    }
    portList_.insert(std::upper_bound(portList_.begin(), portList_.end(), name), std::string(name));
    if (name != lost_) {
        view_.addSelectorEntry(name);
        return;
    }
    // Its entry never left the list.
    lost_.clear();
    if (!transports_.serialOpen() && !transports_.usbInUse() && openSerialPort(name)) {
        frontEnd_.showStatus(port_text::adapterBack(name));
    }
}

void PortSelection::portRemoved(std::string_view name) {
    if (detecting_) {
        return;
    }
    const bool listed = std::erase(portList_, name) != 0;
    if (name == savedPort_ && transports_.serialOpen() && !transports_.usbInUse()) {
        transports_.closeSerial();
        lose(name);
        return;
    }
    if (listed && name != lost_) {
        view_.removeSelectorEntry(name);
    }
}

void PortSelection::usbAdapterAdded() {
    if (detecting_ || lost_ != kUsbPortName) {
        return;
    }
    lost_.clear();
    if (transports_.serialOpen() || transports_.usbInUse()) {
        return;
    }
    if (const SysResult opened = transports_.openUsb(true); opened) {
        view_.enableGyroButtons(true);
        frontEnd_.showStatus(port_text::adapterBack(kUsbPortName));
    } else {
        frontEnd_.showMessage(usb_text::withSerialAlternative(opened.message));
    }
}

void PortSelection::usbAdapterRemoved() {
    if (detecting_ || !transports_.usbInUse()) {
        return;
    }
    transports_.closeUsb();
    lose(kUsbPortName);
}

void PortSelection::openPortHungUp() {
    if (!transports_.serialOpen()) {
        return;
    }
    transports_.closeSerial();
    lose(savedPort_);
}

void PortSelection::lose(std::string_view port) {
    // All is settled before anyone is told: telling runs the pilot's message, during which the
    // adapter may come back.
    const std::string name(port);
    lost_ = name;
    view_.enableGyroButtons(false);
    const bool told = adapterLost_ && adapterLost_();
    if (!told) {
        frontEnd_.showMessage(port_text::adapterGone(name));
    }
}

}  // namespace vn340
