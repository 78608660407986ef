#pragma once

// The few declarations of the Linux D2XX library that this program uses, written from the
// library's published calling convention, with the event that notification signals: a
// condition variable that the caller owns. Shared by the one file that loads the library and
// by the simulated library, so both sides agree; nothing else includes it.

#include <pthread.h>

#include "link/d2xx_types.h"

namespace vn340::d2xx {

// What FT_SetEventNotification's last argument points to on Linux.
struct EventHandle {
    pthread_cond_t eCondVar;
    pthread_mutex_t eMutex;
    int iVar;
};

extern "C" {
using FT_Write_t = FtStatus (*)(FtHandle, void* buffer, Dword toWrite, Dword* written);
using FT_Read_t = FtStatus (*)(FtHandle, void* buffer, Dword toRead, Dword* read);
using FT_Open_t = FtStatus (*)(int device, FtHandle* handle);
using FT_OpenEx_t = FtStatus (*)(void* arg, Dword flags, FtHandle* handle);
using FT_ListDevices_t = FtStatus (*)(void* arg1, void* arg2, Dword flags);
using FT_Close_t = FtStatus (*)(FtHandle);
using FT_ResetDevice_t = FtStatus (*)(FtHandle);
using FT_Purge_t = FtStatus (*)(FtHandle, Ulong mask);
using FT_SetTimeouts_t = FtStatus (*)(FtHandle, Ulong readTimeout, Ulong writeTimeout);
using FT_GetQueueStatus_t = FtStatus (*)(FtHandle, Dword* rxBytes);
using FT_SetBaudRate_t = FtStatus (*)(FtHandle, Ulong baud);
using FT_SetEventNotification_t = FtStatus (*)(FtHandle, Dword mask, void* param);
using FT_GetStatus_t = FtStatus (*)(FtHandle, Dword* rxBytes, Dword* txBytes, Dword* eventStatus);
using FT_ClrRts_t = FtStatus (*)(FtHandle);
using FT_SetLatencyTimer_t = FtStatus (*)(FtHandle, Uchar milliseconds);
}

}  // namespace vn340::d2xx
