#pragma once

// The USB form of the Vexa-Plug, driven through the vendor's D2XX library, which is loaded
// by name when it is needed rather than linked, so the program runs where it is missing.
//
// A notification thread waits for the library's event and wakes the GUI thread with a
// synchronous call ("Special_Change"); the GUI thread then reads what arrived (onUsbData).
// Messages for the pilot go through the host; nothing here shows a dialog itself.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

#include "base/front_end.h"
#include "base/sys_result.h"
#include "link/d2xx_library.h"
#include "link/line_settings.h"
#include "link/owner_thread.h"

namespace vn340 {

namespace usb_text {
inline constexpr std::string_view kUnableToLoad = "Unable to load USB Vexaplug driver";
inline constexpr std::string_view kNoSetEventNotification =
    "Error: Can't Find FT_SetEventNotification";
inline constexpr std::string_view kNoGetStatus = "Error: Can't Find FT_GetStatus";
inline constexpr std::string_view kNoClrRts = "Error: Can't Find FT_ClrRts";
inline constexpr std::string_view kUnableToFind = "Unable to find USB Vexa-Plug";
inline constexpr std::string_view kBaudRefused =
    "Unable to set the baud rate of the USB Vexaplug device";
inline constexpr std::string_view kNotificationNotValid = "FT_SetEventNotification is not valid!";
// The way out on Linux, where the kernel's own driver serves the same adapter.
inline constexpr std::string_view kSerialAlternative =
    "On Linux the Vexa-Plug also appears as a serial port (ttyUSB0 or the like), which needs no "
    "extra driver: choose it in \"Vexa-Plug port\".";
// "Unable to load USB Vexaplug driver", and the way out.
std::string unableToLoad();
// Why the USB adapter did not open, with the way out unless the reason gives it already.
std::string withSerialAlternative(std::string_view reason);
}  // namespace usb_text

inline constexpr std::size_t kUsbChunkSize = 200;

class UsbAdapter {
  public:
    // The library must outlive the adapter.
    UsbAdapter(FrontEnd& frontEnd, D2xxLibrary& library, UsbLineSettings line);
    ~UsbAdapter();

    UsbAdapter(const UsbAdapter&) = delete;
    UsbAdapter& operator=(const UsbAdapter&) = delete;

    // Loads the library, opens the device by its description and sets its baud rate and, where
    // the library can, its latency timer. Quiet
    // suppresses the pilot's messages except the missing-entry-point boxes; the result's
    // message is the pilot's text either way. A failure releases whatever the open had
    // acquired. Neither sets the in-use flag nor starts the thread: the caller does both when
    // it wants the adapter.
    SysResult open(bool quiet);
    bool isOpen() const { return device_ != nullptr; }

    bool inUse() const { return inUse_; }
    void setInUse(bool inUse) { inUse_ = inUse; }

    // Starts the notification thread: specialChange runs on the owner's thread once per
    // notification and the thread waits until it has returned. It should call onUsbData.
    // owner must outlive the thread (close the adapter before destroying it).
    // Fails with the "not valid" box when the event entry point is not bound, or when the
    // library refuses the notification.
    SysResult startNotificationThread(OwnerThread& owner, std::function<void()> specialChange);
    bool notificationThreadRunning() const;
    // Special_Change calls posted to the GUI thread so far (answered, pending or abandoned).
    std::uint64_t notificationsPosted() const { return posted_.load(); }

    // Sends the bytes of the text; status and count are not examined.
    void write(std::string_view text);

    // The main window's Special_Change handler: reads what arrived in chunks of at most 200
    // bytes and hands each chunk's text to dispatch, bytes neither printable nor white space
    // replaced by '?'. Reads nothing unless the event status reports received characters
    // (whatever else it reports with them).
    // Returns 0. Safe to call when closed (does nothing) and safe if dispatch closes the adapter.
    int onUsbData(const std::function<void(std::string_view)>& dispatch);

    // Stops the thread, closes the device and releases the library; clears the in-use flag.
    // Never waits for the GUI thread, so it may be called from within specialChange too.
    void close();

  private:
    struct Handshake;

    SysResult fail(bool quiet, int error, std::string_view text);
    SysResult notValid(int error);
    void run();
    // More characters wait than the last onUsbData left behind.
    bool moreWaiting();
    void stopThread();

    FrontEnd& frontEnd_;
    D2xxLibrary& library_;
    UsbLineSettings line_;
    d2xx::FtHandle device_ = nullptr;
    bool inUse_ = false;

    OwnerThread* owner_ = nullptr;
    std::function<void()> specialChange_;
    std::thread thread_;
    std::atomic<bool> stopRequested_{false};
    std::atomic<bool> threadRunning_{false};
    std::mutex handshakeMutex_;
    std::shared_ptr<Handshake> pending_;
    // Bytes the last onUsbData left in the receive queue; the thread notifies again only when
    // more than these are waiting, so bytes left behind on purpose cause no stream of calls.
    std::atomic<std::uint32_t> unreadLeft_{0};
    std::atomic<std::uint64_t> posted_{0};
};

}  // namespace vn340
