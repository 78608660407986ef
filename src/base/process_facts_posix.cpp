// The monotonic clock and the resident memory as Linux tells them.

#include <time.h>

#include <fstream>
#include <iterator>
#include <string>

#include "base/process_facts.h"

namespace vn340 {

long long monotonicNanoseconds() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec;
}

long long residentKilobytes() {
    std::ifstream status("/proc/self/status");
    const std::string text{std::istreambuf_iterator<char>(status),
                           std::istreambuf_iterator<char>()};
    return residentKilobytesIn(text);
}

}  // namespace vn340
