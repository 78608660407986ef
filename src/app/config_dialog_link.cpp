// The window's side of the adapter link: the port selector and the Detect wizard on top of
// the serial port and the USB adapter, and the received text on its way to the engine.

#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QMessageBox>

#include <algorithm>
#include <vector>

#include "app/config_dialog.h"
#include "app/prompt_dialogs.h"
#include "link/port_selection.h"
#include "link/serial_port.h"
#include "protocol/sequence_engine.h"

namespace vn340 {
namespace {

QString fromStd(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

class ConfigDialog::AdapterHost : public PortHost, public UsbAdapterHost {
  public:
    explicit AdapterHost(ConfigDialog& window) : window_(window) {}

    std::vector<std::string> enumerateSerialPorts() override {
        return serialPortNames(*sysfsTtyClass(window_.paths_.sysClassTty));
    }

    void clearSelector() override { window_.portSelector_->clear(); }

    void addSelectorEntry(std::string_view name) override {
        // A sorted list in plain text order, so "ttyUSB10" comes before "ttyUSB2".
        const QString entry = fromStd(name);
        const QByteArray bytes = entry.toUtf8();
        DropDownList& list = *window_.portSelector_;
        int at = 0;
        while (at < list.count() && list.itemText(at).toUtf8() <= bytes)
            ++at;
        // A list without a selection keeps none: the first entry added would otherwise be
        // taken as the pilot's choice.
        const bool noneSelected = list.currentIndex() < 0;
        list.insertItem(at, entry);
        if (noneSelected)
            list.setCurrentIndex(-1);
    }

    void selectEntry(std::string_view name) override {
        DropDownList& list = *window_.portSelector_;
        list.setCurrentIndex(
            list.findText(fromStd(name), Qt::MatchExactly | Qt::MatchCaseSensitive));
    }

    std::optional<std::string> selectedEntry() const override {
        const DropDownList& list = *window_.portSelector_;
        if (list.currentIndex() < 0)
            return std::nullopt;
        return list.currentText().toStdString();
    }

    bool openUsb(bool quiet) override {
        UsbAdapter& adapter = *window_.usbAdapter_;
        if (!adapter.open(quiet))
            return false;
        adapter.setInUse(true);
        // Without its notification thread the adapter would take frames and never deliver a
        // reply; calling that open would only end every read in the time-out.
        if (!adapter.startNotificationThread(&window_, [this] { onUsbData(); })) {
            adapter.close();
            return false;
        }
        return true;
    }
    void closeUsb() override { window_.usbAdapter_->close(); }
    bool usbInUse() const override { return window_.usbAdapter_->inUse(); }

    int openSerial(std::string_view name) override {
        SerialPort& port = *window_.serialPort_;
        const SysResult opened =
            port.open(window_.paths_.deviceFolder + std::string(name), &window_,
                      [this](const ComNotification& notification) { onComData(notification); });
        if (!opened)
            return opened.error;
        port.setup(9600, 8, Parity::None, StopBits::One);
        port.setupHandshaking(Handshake::Off);
        return 0;
    }
    void closeSerial() override { window_.serialPort_->close(); }
    bool serialOpen() const override { return window_.serialPort_->isOpen(); }

    std::string deviceGroup(std::string_view name) const override {
        struct stat info {};
        const std::string path = window_.paths_.deviceFolder + std::string(name);
        if (::stat(path.c_str(), &info) != 0)
            return {};
        group entry{};
        group* found = nullptr;
        std::vector<char> buffer(4096);
        if (::getgrgid_r(info.st_gid, &entry, buffer.data(), buffer.size(), &found) != 0 ||
            found == nullptr)
            return {};
        return found->gr_name;
    }

    void enableGyroButtons(bool enable) override { window_.setGyroButtonsEnabled(enable); }

    void showMessage(std::string_view text) override { window_.showMessage(fromStd(text)); }

    void showSystemMessage(std::string_view text) override {
        QMessageBox box(QMessageBox::NoIcon, window_.windowTitle(), fromStd(text), QMessageBox::Ok,
                        &window_);
        box.exec();
    }

    PromptAnswer askContinueAbort(std::string_view text) override {
        ContinueAbortPrompt& prompt = *window_.continueAbortPrompt_;
        prompt.setPrompt(fromStd(text));
        if (prompt.exec() != QDialog::Accepted)
            return PromptAnswer::Escape;
        return prompt.choice() == ContinueAbortPrompt::Abort ? PromptAnswer::Abort
                                                             : PromptAnswer::Continue;
    }

    void takeControlsIntoFields() override { window_.exchangeFromControls(); }
    void showFieldsInControls() override { window_.exchangeToControls(); }

    void storeComPort(std::string_view name) override {
        ProfileStore& store = window_.prefsStore_;
        // The port is open either way; the pilot must know it will not be chosen next time.
        if (!store.writeString(kSettingsSection, kComPortKey, name))
            window_.showMessage(QString::fromStdString(store.lastError().message));
    }

  private:
    void onComData(const ComNotification& notification) {
        vn340::onComData(*window_.serialPort_, notification,
                         [this](std::string_view text) { window_.dispatchReply(text); });
    }
    void onUsbData() {
        window_.usbAdapter_->onUsbData(
            [this](std::string_view text) { window_.dispatchReply(text); });
    }

    ConfigDialog& window_;
};

void ConfigDialog::HostDeleter::operator()(AdapterHost* host) const {
    delete host;
}

void ConfigDialog::createLink() {
    adapterHost_.reset(new AdapterHost(*this));
    serialPort_ = std::make_unique<SerialPort>();
    d2xxLibrary_ = loadableD2xxLibrary(paths_.d2xxLibrary);
    usbAdapter_ = std::make_unique<UsbAdapter>(*adapterHost_, *d2xxLibrary_,
                                               UsbLineSettings{"Vexa-Plug", 9600});
    portSelection_ = std::make_unique<PortSelection>(*adapterHost_);
}

void ConfigDialog::prepareTransports() {
    usbAdapter_->setInUse(false);
    serialPort_->setMask(kDefaultEventMask);
}

void ConfigDialog::fillPortSelectorAtStartup() {
    portSelection_->fillPortSelectorAtStartup(prefs_.savedPort);
    prefs_.savedPort = portSelection_->savedPort();
}

void ConfigDialog::refreshPortList() {
    portSelection_->refreshPortList();
}

void ConfigDialog::openSelectedPort() {
    portSelection_->openSelectedPort();
    prefs_.savedPort = portSelection_->savedPort();
}

void ConfigDialog::detectAdapterPort() {
    portSelection_->detectAdapterPort();
    prefs_.savedPort = portSelection_->savedPort();
}

void ConfigDialog::closeAdapter() {
    if (usbAdapter_->inUse())
        usbAdapter_->close();
}

void ConfigDialog::dispatchReply(std::string_view text) {
    engine_->dispatchReply(text);
}

}  // namespace vn340
