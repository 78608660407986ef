#pragma once

// Signals the event that the program gave FT_SetEventNotification, as the vendor's driver does
// from its own thread: a condition variable on Linux, a Win32 event on Windows. Nothing for none.

namespace vn340 {

void signalEvent(void* event);

}  // namespace vn340
