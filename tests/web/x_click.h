#pragma once

// A click that comes the way a pilot's does: from the X server, as an event on the program's
// own connection. Unlike QTest's clicks, which are handed to the widget at once, it waits
// wherever the program's event loop holds input back.

#include <xcb/xcb.h>

#include <QGuiApplication>
#include <QWidget>

namespace vn340::testing {

inline void xClick(QWidget& widget) {
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    ASSERT_NE(x11, nullptr) << "the test needs an X display";
    xcb_connection_t* connection = x11->connection();
    QWidget* window = widget.window();
    const QPoint at = widget.mapTo(window, widget.rect().center());
    const QPoint global = widget.mapToGlobal(widget.rect().center());
    for (const auto type : {XCB_BUTTON_PRESS, XCB_BUTTON_RELEASE}) {
        xcb_button_press_event_t event{};
        event.response_type = type;
        event.detail = 1;
        event.time = XCB_CURRENT_TIME;
        event.root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
        event.event = static_cast<xcb_window_t>(window->winId());
        event.root_x = static_cast<int16_t>(global.x());
        event.root_y = static_cast<int16_t>(global.y());
        event.event_x = static_cast<int16_t>(at.x());
        event.event_y = static_cast<int16_t>(at.y());
        event.state = type == XCB_BUTTON_RELEASE ? XCB_BUTTON_MASK_1 : 0;
        event.same_screen = 1;
        xcb_send_event(connection, 0, event.event, XCB_EVENT_MASK_NO_EVENT,
                       reinterpret_cast<const char*>(&event));
    }
    xcb_flush(connection);
}

}  // namespace vn340::testing
