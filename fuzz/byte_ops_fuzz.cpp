// find, mid and replaceRange against references written from the clipping
// rules: 1-based, out-of-range starts and counts clipped, never refused.
#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/byte_string.h"
#include "fuzz/fuzz_support.h"

namespace {

using varnolt::ByteString;
using varnolt::fuzzing::edgyInt;
using varnolt::fuzzing::require;

std::int32_t referenceFind(const std::string& hay, const std::string& pat, std::int32_t start) {
    if (pat.empty()) return -1;
    for (std::int64_t i = std::max<std::int64_t>(start, 1) - 1; i + std::int64_t(pat.size()) <= std::int64_t(hay.size()); ++i)
        if (hay.compare(static_cast<std::size_t>(i), pat.size(), pat) == 0) return static_cast<std::int32_t>(i + 1);
    return -1;
}

// The span a 1-based start and a count cover, as 0-based offset and length.
std::pair<std::size_t, std::size_t> referenceSpan(std::size_t size, std::int32_t start, std::int32_t count) {
    const std::int64_t n = static_cast<std::int64_t>(size);
    const std::int64_t offset = std::min<std::int64_t>(std::max<std::int64_t>(std::int64_t{start} - 1, 0), n);
    const std::int64_t length = std::min<std::int64_t>(std::max<std::int64_t>(count, 0), n - offset);
    return {static_cast<std::size_t>(offset), static_cast<std::size_t>(length)};
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    std::string pattern = in.ConsumeRandomLengthString(64);
    std::string hay = in.ConsumeRandomLengthString(4096);
    // Plant the pattern a few times, overlapping or cut by the end, so that
    // hits and near misses are common.
    for (int k = in.ConsumeIntegralInRange(0, 4); k > 0 && !hay.empty(); --k) {
        const std::size_t at = in.ConsumeIntegralInRange<std::size_t>(0, hay.size() - 1);
        hay.replace(at, std::min(pattern.size(), hay.size() - at), pattern, 0, std::min(pattern.size(), hay.size() - at));
    }
    const ByteString h = ByteString::copyOf(hay), p = ByteString::copyOf(pattern);
    const auto hsize = static_cast<std::int32_t>(hay.size());

    const std::int32_t start = edgyInt(in, hsize);
    require(varnolt::find(h, p, start) == referenceFind(hay, pattern, start), "find agrees with the reference");

    // Every occurrence, overlapping ones included, by restarting after each hit.
    std::vector<std::int32_t> got, want;
    for (std::int32_t pos = varnolt::find(h, p, 1); pos != -1; pos = varnolt::find(h, p, pos + 1)) got.push_back(pos);
    for (std::int32_t pos = referenceFind(hay, pattern, 1); pos != -1; pos = referenceFind(hay, pattern, pos + 1)) want.push_back(pos);
    require(got == want, "restarting find lists every occurrence");

    const std::int32_t count = edgyInt(in, hsize);
    const auto [offset, length] = referenceSpan(hay.size(), start, count);
    require(varnolt::mid(h, start, count).view() == std::string_view(hay).substr(offset, length),
            "mid agrees with the reference");

    const std::string replacement = in.ConsumeRandomLengthString(64);
    const std::string expected = hay.substr(0, offset) + replacement + hay.substr(offset + length);
    const ByteString replaced = varnolt::replaceRange(h, start, count, ByteString::copyOf(replacement));
    require(replaced.view() == expected, "replaceRange agrees with the reference");
    return 0;
}
