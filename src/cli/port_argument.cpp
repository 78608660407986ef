#include "cli/port_argument.h"

#include <filesystem>
#include <system_error>
#include <utility>

namespace vn340 {
namespace {

namespace fs = std::filesystem;

// The system's transports with one port more in their list; everything else is theirs.
class ExtraPortTransports final : public Transports {
  public:
    ExtraPortTransports(std::unique_ptr<Transports> inner, std::string name)
        : inner_(std::move(inner)), name_(std::move(name)) {}

    void onReceived(std::function<void(std::string_view)> receiver) override {
        inner_->onReceived(std::move(receiver));
    }
    void onHangUp(std::function<void()> handler) override { inner_->onHangUp(std::move(handler)); }
    void prepare() override { inner_->prepare(); }
    void send(std::string_view frame) override { inner_->send(frame); }
    Transport inUse() const override { return inner_->inUse(); }
    bool usbDeviceOpen() const override { return inner_->usbDeviceOpen(); }
    void closeAll() override { inner_->closeAll(); }

    std::vector<std::string> enumerateSerialPorts() override {
        std::vector<std::string> names = inner_->enumerateSerialPorts();
        names.push_back(name_);
        return names;
    }
    SysResult openUsb(bool quiet) override { return inner_->openUsb(quiet); }
    void closeUsb() override { inner_->closeUsb(); }
    bool usbInUse() const override { return inner_->usbInUse(); }
    SysResult openSerial(std::string_view name) override { return inner_->openSerial(name); }
    void closeSerial() override { inner_->closeSerial(); }
    bool serialOpen() const override { return inner_->serialOpen(); }
    std::string deviceGroup(std::string_view name) const override {
        return inner_->deviceGroup(name);
    }

  private:
    std::unique_ptr<Transports> inner_;
    std::string name_;
};

}  // namespace

std::optional<PortChoice> choosePort(const std::string& port, const std::string& deviceFolder,
                                     const std::vector<std::string>& listed) {
    // Windows' own way of writing a port past COM9: "\\.\COM12" is the port COM12.
    constexpr std::string_view kDeviceNamespace = "\\\\.\\";
    if (port.starts_with(kDeviceNamespace) && port.size() > kDeviceNamespace.size()) {
        return PortChoice{port.substr(kDeviceNamespace.size()), true};
    }
    if (port.find('/') == std::string::npos) {
        return PortChoice{port, true};
    }
    std::error_code error;
    const fs::path device = fs::canonical(port, error);
    if (error) {
        return std::nullopt;
    }
    for (const std::string& name : listed) {
        std::error_code unlisted;
        if (fs::canonical(fs::path(deviceFolder) / name, unlisted) == device && !unlisted) {
            return PortChoice{name, true};
        }
    }
    // Named from the folder as it really is: ".." is taken on the real folders.
    const fs::path folder = fs::canonical(deviceFolder, error);
    if (error) {
        return std::nullopt;
    }
    return PortChoice{device.lexically_relative(folder).string(), false};
}

std::unique_ptr<Transports> ExtraPortPlatform::makeTransports(FrontEnd& frontEnd) {
    return std::make_unique<ExtraPortTransports>(ForwardingPlatform::makeTransports(frontEnd),
                                                 name_);
}

}  // namespace vn340
