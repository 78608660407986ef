// The performance counter and the working set, as Windows tells them.

#include <windows.h>
// After windows.h, which it needs.
#include <psapi.h>

#include "base/process_facts.h"

namespace vn340 {

long long monotonicNanoseconds() {
    LARGE_INTEGER frequency{};
    LARGE_INTEGER count{};
    ::QueryPerformanceFrequency(&frequency);
    ::QueryPerformanceCounter(&count);
    // Whole seconds and the rest apart, so that a counter that has run for days does not
    // overflow when it is scaled.
    const long long perSecond = frequency.QuadPart;
    return count.QuadPart / perSecond * 1000000000LL +
           count.QuadPart % perSecond * 1000000000LL / perSecond;
}

long long residentKilobytes() {
    PROCESS_MEMORY_COUNTERS counters{};
    if (!::GetProcessMemoryInfo(::GetCurrentProcess(), &counters, sizeof counters)) {
        return -1;
    }
    return static_cast<long long>(counters.WorkingSetSize / 1024);
}

}  // namespace vn340
