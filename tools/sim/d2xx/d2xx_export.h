#pragma once

// How the simulated library exports its entry points: by their plain names, as the vendor's
// library does, and on Windows called the Windows API's way (which matters for 32-bit builds
// only; the linker is told to drop the decoration that convention would add there).

#if defined(_WIN32)
#include <windows.h>
#define VN340_EXPORT extern "C" __declspec(dllexport)
#define VN340_D2XX_API WINAPI
#else
#define VN340_EXPORT extern "C" __attribute__((visibility("default")))
#define VN340_D2XX_API
#endif
