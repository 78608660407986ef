// The running program's figures as Linux tells them.

#include <gtest/gtest.h>
#include <time.h>

#include "base/process_facts.h"

namespace vn340 {
namespace {

long long clockMonotonic() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec;
}

// The benchmark reads CLOCK_MONOTONIC itself and compares it with what the program prints:
// any other clock (the wall clock, one of the process's own time) would make that figure
// meaningless.
TEST(ProcessFactsPosix, TheClockIsTheOneTheBenchmarkReads) {
    const long long before = clockMonotonic();
    const long long ours = monotonicNanoseconds();
    const long long after = clockMonotonic();
    EXPECT_LE(before, ours);
    EXPECT_LE(ours, after);
}

}  // namespace
}  // namespace vn340
