// What the fuzz targets share: a failed check that the fuzzer records as a
// crash with its input, and 32-bit values drawn where clipping has its edges.
#pragma once

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>

namespace varnolt::fuzzing {

inline void require(bool holds, const char* what) {
    if (holds) return;
    std::fprintf(stderr, "check failed: %s\n", what);
    std::abort();
}

// Mostly values near 0, near size and at the ends of the 32-bit range, where
// a wrong clip or an overflow shows; sometimes any value at all.
inline std::int32_t edgyInt(FuzzedDataProvider& in, std::int32_t size) {
    constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
    constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
    switch (in.ConsumeIntegralInRange(0, 4)) {
        case 0: return in.ConsumeIntegralInRange<std::int32_t>(-3, 3);
        case 1: return static_cast<std::int32_t>(static_cast<std::uint32_t>(size) +
                                                 static_cast<std::uint32_t>(in.ConsumeIntegralInRange(-3, 3)));
        case 2: return in.ConsumeBool() ? kMin + in.ConsumeIntegralInRange(0, 3) : kMax - in.ConsumeIntegralInRange(0, 3);
        case 3: return in.ConsumeIntegralInRange<std::int32_t>(-8, size + 8);
        default: return in.ConsumeIntegral<std::int32_t>();
    }
}

}  // namespace varnolt::fuzzing
