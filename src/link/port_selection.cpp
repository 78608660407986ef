#include "link/port_selection.h"

#include <algorithm>
#include <cerrno>

namespace vn340 {

namespace port_text {

std::string found(std::string_view port) {
    return "Found Vexa-Plug interface on " + std::string(port) + ". " +
           "\n\nPlug the the Vexa-Plug interface to the gyro\u2019s communication port. "
           "\n\nPress OK";
}

std::string permissionHelp(std::string_view port, std::string_view group) {
    const std::string owner = group.empty() ? std::string("dialout") : std::string(group);
    return "This computer does not let you use /dev/" + std::string(port) +
           ".\n\nSerial ports belong to the group \"" + owner +
           "\". Ask for membership of that group (for example with the command\n"
           "sudo usermod -aG " +
           owner + " $USER\n), then log out and log in again.";
}

}  // namespace port_text

namespace {

bool isPermissionError(int error) {
    return error == EACCES || error == EPERM;
}

}  // namespace

void PortSelection::fillPortSelectorAtStartup(std::string savedPort) {
    savedPort_ = std::move(savedPort);
    portList_ = host_.enumerateSerialPorts();
    portList_.emplace_back(kUsbPortName);
    bool savedPresent = false;
    for (const std::string& name : portList_) {
        host_.addSelectorEntry(name);
        savedPresent = savedPresent || name == savedPort_;
    }
    if (!savedPresent) {
        // A port that has gone since the last run is simply not offered again.
        savedPort_.clear();
        host_.enableGyroButtons(false);
        return;
    }
    host_.selectEntry(savedPort_);
    if (savedPort_ == kUsbPortName) {
        if (!host_.openUsb(true)) {
            host_.enableGyroButtons(false);
            host_.showMessage(port_text::kUnableToOpen);
            savedPort_.clear();
        }
        return;
    }
    if (!openSerialPort(savedPort_)) {
        savedPort_.clear();
    }
}

void PortSelection::refreshPortList() {
    host_.clearSelector();
    portList_.clear();
    closeConnection();
    host_.enableGyroButtons(false);
    portList_ = host_.enumerateSerialPorts();
    host_.addSelectorEntry(kUsbPortName);
    for (const std::string& name : portList_) {
        host_.addSelectorEntry(name);
    }
}

void PortSelection::openSelectedPort() {
    host_.takeControlsIntoFields();
    const std::optional<std::string> selected = host_.selectedEntry();
    if (!selected) {
        host_.enableGyroButtons(false);
        savedPort_.clear();
        return;
    }
    if (*selected == kUsbPortName) {
        if (host_.openUsb(false)) {
            host_.storeComPort(kUsbPortName);
            savedPort_ = kUsbPortName;
            host_.enableGyroButtons(true);
        }
    } else if (openSerialPort(*selected)) {
        host_.storeComPort(*selected);
        savedPort_ = *selected;
    } else {
        savedPort_.clear();
    }
    host_.showFieldsInControls();
}

bool PortSelection::openSerialPort(std::string_view name) {
    const int error = host_.openSerial(name);
    if (error != 0) {
        host_.enableGyroButtons(false);
        host_.showMessage(port_text::kUnableToOpen);
        if (isPermissionError(error)) {
            host_.showMessage(port_text::permissionHelp(name, host_.deviceGroup(name)));
        }
        return false;
    }
    host_.enableGyroButtons(true);
    return true;
}

void PortSelection::closeConnection() {
    if (host_.usbInUse()) {
        host_.closeUsb();
    } else if (host_.serialOpen()) {
        host_.closeSerial();
    }
}

void PortSelection::showFound(std::string_view port) {
    host_.showMessage(port_text::found(port));
}

void PortSelection::detectAdapterPort() {
    switch (host_.askContinueAbort(port_text::kUnplug)) {
        case PromptAnswer::Abort:
            return;
        case PromptAnswer::Continue:
            portList_.clear();
            if (host_.serialOpen()) {
                host_.closeSerial();
            }
            if (host_.usbInUse()) {
                host_.closeUsb();
            }
            host_.enableGyroButtons(false);
            host_.clearSelector();
            portList_ = host_.enumerateSerialPorts();
            break;
        case PromptAnswer::Escape:
            break;  // the ports stay as they were listed last
    }
    const std::vector<std::string> before = portList_;
    portList_.clear();

    if (host_.askContinueAbort(port_text::kPlugIn) != PromptAnswer::Continue) {
        return;
    }

    std::string foundPort;
    if (host_.openUsb(true)) {
        foundPort = kUsbPortName;
        showFound(foundPort);
        host_.closeUsb();
    } else {
        portList_ = host_.enumerateSerialPorts();
        std::vector<std::string> added;
        for (const std::string& name : portList_) {
            if (std::find(before.begin(), before.end(), name) == before.end()) {
                added.push_back(name);
            }
        }
        if (portList_.size() <= before.size() || added.size() != 1) {
            host_.showMessage(port_text::kNotDetected);
            host_.clearSelector();
            return;
        }
        foundPort = added.front();
        showFound(foundPort);
    }

    savedPort_ = foundPort;
    host_.clearSelector();
    host_.addSelectorEntry(foundPort);
    host_.selectEntry(foundPort);
    openSelectedPort();
}

}  // namespace vn340
