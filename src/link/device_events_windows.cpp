// Device events on Windows: WM_DEVICECHANGE as Qt's event dispatcher hands it to a native event
// filter. Serial ports are broadcast to every top-level window; USB devices only to a window
// that asked for their interface class, so the program's window registers for it. The filter
// only passes the message on: DeviceBroadcasts makes the events of it.
//
// Built only where Qt for Windows is (a Windows machine; not the cross build of the core,
// which has no Qt), so it is compiled and tried there, not here. Its logic is tested under Wine
// through scripted broadcasts.

#include <windows.h>
// After <windows.h>, which it needs.
#include <dbt.h>

#include <QAbstractNativeEventFilter>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QWindow>

#include <cerrno>
#include <memory>
#include <utility>

#include "link/device_broadcasts_windows.h"
#include "link/device_events.h"

namespace vn340 {
namespace {

class WindowsDeviceEvents final : public DeviceEvents, private QAbstractNativeEventFilter {
  public:
    ~WindowsDeviceEvents() override { stop(); }

    SysResult start(Handler handler) override {
        stop();
        // The broadcasts come to a top-level window of the program: the first one, the
        // program's own, started before its link.
        const QWindowList windows = QGuiApplication::topLevelWindows();
        if (windows.isEmpty()) {
            return SysResult::failure(ENODEV, "hear of devices without a window");
        }
        window_ = reinterpret_cast<HWND>(windows.front()->winId());
        DEV_BROADCAST_DEVICEINTERFACE_W filter{};
        filter.dbcc_size = sizeof filter;
        filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
        filter.dbcc_classguid = kUsbDeviceInterface;
        notification_ =
            ::RegisterDeviceNotificationW(window_, &filter, DEVICE_NOTIFY_WINDOW_HANDLE);
        if (notification_ == nullptr) {
            return SysResult::failure(EPROTONOSUPPORT, "hear of USB devices coming and going");
        }
        for (const std::string& path : presentUsbDevices()) {
            broadcasts_.present(path);
        }
        handler_ = std::move(handler);
        QCoreApplication::instance()->installNativeEventFilter(this);
        return {};
    }

    void stop() override {
        if (QCoreApplication::instance() != nullptr) {
            QCoreApplication::instance()->removeNativeEventFilter(this);
        }
        if (notification_ != nullptr) {
            ::UnregisterDeviceNotification(notification_);
        }
        notification_ = nullptr;
        window_ = nullptr;
        handler_ = nullptr;
        broadcasts_.clear();
    }

  private:
    bool nativeEventFilter(const QByteArray& type, void* message, qintptr*) override {
        if (type != "windows_generic_MSG" || message == nullptr) {
            return false;
        }
        const MSG* msg = static_cast<const MSG*>(message);
        // Each broadcast reaches every top-level window of the program: heard once, at ours.
        if (msg->message != WM_DEVICECHANGE || msg->hwnd != window_) {
            return false;
        }
        const std::optional<DeviceEvent> event = broadcasts_.event(msg->wParam, msg->lParam);
        // The handler may stop this source; nothing of it is touched afterwards.
        if (event && handler_) {
            Handler handler = handler_;
            handler(*event);
        }
        return false;
    }

    HWND window_ = nullptr;
    HDEVNOTIFY notification_ = nullptr;
    Handler handler_;
    DeviceBroadcasts broadcasts_{busReportedDescription};
};

}  // namespace

std::unique_ptr<DeviceEvents> systemDeviceEvents() {
    return std::make_unique<WindowsDeviceEvents>();
}

}  // namespace vn340
