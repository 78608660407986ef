#pragma once

// The value types of the Linux D2XX library, from its published calling convention: handles
// are pointers, status values, double words and counts are 32-bit unsigned, a UCHAR 8-bit. No
// system types.

#include <cstdint>

namespace vn340::d2xx {

using FtHandle = void*;
using FtStatus = std::uint32_t;
using Dword = std::uint32_t;
using Ulong = std::uint32_t;
using Uchar = std::uint8_t;

inline constexpr FtStatus kFtOk = 0;
inline constexpr FtStatus kFtInvalidHandle = 1;
inline constexpr FtStatus kFtDeviceNotFound = 2;
inline constexpr FtStatus kFtDeviceNotOpened = 3;
inline constexpr FtStatus kFtIoError = 4;
inline constexpr FtStatus kFtInvalidParameter = 6;
inline constexpr FtStatus kFtInvalidBaudRate = 7;
inline constexpr FtStatus kFtNotSupported = 17;

inline constexpr Dword kFtOpenBySerialNumber = 1;
inline constexpr Dword kFtOpenByDescription = 2;

// The chip's latency timer, in milliseconds: how long it holds received characters that do not
// fill a packet before it sends them on. The library takes 2 to 255.
inline constexpr Uchar kFtShortestLatency = 2;
inline constexpr Uchar kFtDefaultLatency = 16;

inline constexpr Dword kFtEventRxChar = 1;
inline constexpr Dword kFtEventModemStatus = 2;

}  // namespace vn340::d2xx
