// The running program's figures for the start-up benchmark.

#include "base/process_facts.h"

#include <gtest/gtest.h>

namespace vn340 {
namespace {

TEST(ProcessFactsTest, ResidentMemoryFromALinuxStatusText) {
    struct Row {
        const char* name;
        const char* status;
        long long kilobytes;
    };
    const Row rows[] = {
        {"among the others",
         "Name:\tvn340\nVmHWM:\t  9000 kB\nVmRSS:\t  8123 kB\nRssAnon:\t 1 kB\n", 8123},
        {"the last line, unended", "Name:\tvn340\nVmRSS:\t42 kB", 42},
        {"none at all", "VmRSS:\t0 kB\n", 0},
        {"no blank before the figure", "VmRSS:7 kB\n", 7},
        {"the first of two", "VmRSS:\t1 kB\nVmRSS:\t2 kB\n", 1},
        {"no such line", "Name:\tvn340\nVmHWM:\t9000 kB\n", -1},
        {"an empty text", "", -1},
        {"the label not at the line's start", " VmRSS:\t5 kB\n", -1},
        {"the label without its colon", "VmRSS\t5 kB\n", -1},
        {"a longer label", "VmRSSx:\t5 kB\n", -1},
        {"no figure", "VmRSS:\t kB\n", -1},
        {"the figure on the next line", "VmRSS:\n5 kB\n", -1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(residentKilobytesIn(row.status), row.kilobytes);
    }
}

TEST(ProcessFactsTest, TheRunningProgramHoldsMemoryAndItsClockRuns) {
    const long long first = monotonicNanoseconds();
    // A program that holds nothing would be no program; and a megabyte is far below any.
    EXPECT_GT(residentKilobytes(), 0);
    long long later = monotonicNanoseconds();
    while (later == first) {
        later = monotonicNanoseconds();
    }
    EXPECT_GT(later, first);
}

}  // namespace
}  // namespace vn340
