#pragma once

// The few declarations of the Windows D2XX library (ftd2xx.dll) that this program uses, written
// from the library's published calling convention: the same entry points and value types as on
// Linux, called the Windows API's way (WINAPI, which matters for 32-bit programs only), and the
// event that notification signals is a Win32 event handle, set with SetEvent. Shared by the one
// file that loads the library and by the simulated library built for Windows.

#include <windows.h>

#include "link/d2xx_types.h"

namespace vn340::d2xx {

extern "C" {
using FT_Write_w = FtStatus(WINAPI*)(FtHandle, void* buffer, Dword toWrite, Dword* written);
using FT_Read_w = FtStatus(WINAPI*)(FtHandle, void* buffer, Dword toRead, Dword* read);
using FT_OpenEx_w = FtStatus(WINAPI*)(void* arg, Dword flags, FtHandle* handle);
using FT_Close_w = FtStatus(WINAPI*)(FtHandle);
using FT_SetBaudRate_w = FtStatus(WINAPI*)(FtHandle, Ulong baud);
// `event` is a HANDLE from CreateEvent, which the library sets on an event of the mask.
using FT_SetEventNotification_w = FtStatus(WINAPI*)(FtHandle, Dword mask, void* event);
using FT_GetStatus_w = FtStatus(WINAPI*)(FtHandle, Dword* rxBytes, Dword* txBytes,
                                         Dword* eventStatus);
using FT_GetQueueStatus_w = FtStatus(WINAPI*)(FtHandle, Dword* rxBytes);
using FT_SetLatencyTimer_w = FtStatus(WINAPI*)(FtHandle, Uchar milliseconds);
}

}  // namespace vn340::d2xx
