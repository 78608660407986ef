#pragma once

// What the soak ran, what it did to the line and the gyro, how long it took and how much memory
// the program held: printed at the end of every run, so a slow or a growing run shows.

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdio>
#include <map>
#include <optional>
#include <string>
#include <utility>

#include "soak_plan.h"
#include "support/virtual_platform.h"

#if defined(__GLIBC__)
#include <malloc.h>
#endif

#if defined(__SANITIZE_ADDRESS__)
#define VN340_SOAK_SANITIZED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VN340_SOAK_SANITIZED 1
#endif
#endif

namespace vn340::testing {

#if defined(VN340_SOAK_SANITIZED)
inline constexpr bool kSanitized = true;
#else
inline constexpr bool kSanitized = false;
#endif

// The bytes the heap has handed out and not had back; none where that cannot be told (the
// address sanitizer keeps a heap of its own, which the C library's figures do not see).
inline std::optional<std::size_t> heapInUse() {
#if defined(__GLIBC__) && !defined(VN340_SOAK_SANITIZED)
    return mallinfo2().uordblks;
#else
    return std::nullopt;
#endif
}

inline std::string_view resultName(SequenceResult result) {
    switch (result) {
        case SequenceResult::Done:
            return "Done";
        case SequenceResult::NotVerified:
            return "NotVerified";
        case SequenceResult::CutShort:
            return "CutShort";
        case SequenceResult::Failed:
            return "Failed";
    }
    return "?";
}

inline std::string_view failureName(SequenceFailure failure) {
    switch (failure) {
        case SequenceFailure::None:
            return "None";
        case SequenceFailure::NoAnswer:
            return "NoAnswer";
        case SequenceFailure::AdapterLost:
            return "AdapterLost";
        case SequenceFailure::UnknownDevice:
            return "UnknownDevice";
        case SequenceFailure::UnsupportedMemoryMap:
            return "UnsupportedMemoryMap";
        case SequenceFailure::DamagedAnswer:
            return "DamagedAnswer";
    }
    return "?";
}

struct SoakFigures {
    std::map<std::pair<SequenceKind, SequenceResult>, int> sequences;
    std::map<SoakFault, int> injected;
    std::map<SoakFault, int> met;  // the fault reached the sequence (its frame was sent...)
    std::map<std::string, int> snapshots;
    Micros virtualTime = 0;
    Micros longest = 0;
    double realSeconds = 0;
    std::optional<std::size_t> heapBefore;
    std::optional<std::size_t> heapAfter;
    std::size_t stepsLetGo = 0;
    long long stepBytes = 0;

    void count(SequenceKind kind, SequenceResult result, Micros took) {
        ++sequences[{kind, result}];
        virtualTime += took;
        longest = std::max(longest, took);
    }

    void print() const {
        std::printf("soak: sequences by kind and result\n");
        for (const auto& [key, number] : sequences) {
            std::printf("  %-13s %-12s %6d\n", std::string(kindName(key.first)).c_str(),
                        std::string(resultName(key.second)).c_str(), number);
        }
        std::printf("soak: faults injected (reaching the sequence)\n");
        for (const SoakFault fault : kSoakFaults) {
            const auto got = [](const std::map<SoakFault, int>& counts, SoakFault f) {
                const auto found = counts.find(f);
                return found == counts.end() ? 0 : found->second;
            };
            std::printf("  %-22s %6d (%d)\n", std::string(faultName(fault)).c_str(),
                        got(injected, fault), got(met, fault));
        }
        std::printf("soak: snapshots kept (each checked, then removed)\n");
        for (const auto& [kind, number] : snapshots)
            std::printf("  %-13s %6d\n", kind.c_str(), number);
        std::printf("soak: virtual time %.1f s (longest sequence %.3f s), real time %.2f s\n",
                    static_cast<double>(virtualTime) / 1e6, static_cast<double>(longest) / 1e6,
                    realSeconds);
        if (heapBefore && heapAfter) {
            std::printf(
                "soak: heap in use after the warm-up %zu bytes, at the end %zu bytes "
                "(%+lld)\n",
                *heapBefore, *heapAfter,
                static_cast<long long>(*heapAfter) - static_cast<long long>(*heapBefore));
        } else if (kSanitized) {
            std::printf("soak: heap not measured: the address sanitizer keeps its own heap\n");
        } else {
            std::printf("soak: heap not measured: the run is shorter than its warm-up\n");
        }
        if (stepsLetGo > 0 && !kSanitized) {
            std::printf(
                "soak: undo steps let go with the pilot's history: %zu, %lld bytes "
                "(%lld each)\n",
                stepsLetGo, stepBytes, stepBytes / static_cast<long long>(stepsLetGo));
        }
        std::fflush(stdout);
    }
};

}  // namespace vn340::testing
