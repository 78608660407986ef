#pragma once

// The figures of the running program that the start-up benchmark compares: the time on the
// clock it shares with the programs it starts, and the memory the program holds.

#include <string_view>

namespace vn340 {

// The system's monotonic clock in nanoseconds (CLOCK_MONOTONIC on POSIX, the performance
// counter on Windows): the one clock the benchmark and the programs it starts share.
long long monotonicNanoseconds();

// Resident memory of this process in KiB (VmRSS on Linux, the working set on Windows), or -1
// when it cannot be told.
long long residentKilobytes();

// The "VmRSS:" figure of a Linux process status text (/proc/<pid>/status), in KiB; -1 when the
// text has none or its figure is no number.
long long residentKilobytesIn(std::string_view status);

}  // namespace vn340
