#include "engine/occurrence_search.h"

#include <algorithm>

namespace varnolt {
namespace {

// mid() for a start and count computed in 64 bits: a start that does not fit
// lies past any buffer, so the span is empty.
ByteString span(const ByteString& buffer, std::int64_t start, std::int64_t count) {
    if (start > INT32_MAX || count <= 0) return {};
    return mid(buffer, static_cast<std::int32_t>(std::max<std::int64_t>(start, INT32_MIN)),
               static_cast<std::int32_t>(std::min<std::int64_t>(count, INT32_MAX)));
}

}  // namespace

std::vector<ResultRow> searchOccurrences(const ByteString& buffer, const Text& searchText,
                                         const Text& beforeText, const Text& afterText) {
    const ByteString pattern = textToBytes(searchText);
    const Text found = bytesToText(pattern);
    const std::int64_t n = textToInt(beforeText);
    const std::int64_t m = textToInt(afterText);
    const std::int64_t l = pattern.size();

    std::vector<ResultRow> rows;
    std::int64_t prev = 0;
    for (std::int32_t i = 1; i <= maxHits && prev < INT32_MAX; ++i) {
        const std::int32_t pos = find(buffer, pattern, static_cast<std::int32_t>(prev + 1));
        if (pos == -1) break;
        // Only bytes before the hit: a hit near the start shows fewer, never
        // its own bytes.
        const std::int64_t beforeStart = std::max<std::int64_t>(1, pos - n);
        rows.push_back({intToText(i), bytesToText(span(buffer, beforeStart, n > 0 ? pos - beforeStart : 0)),
                        found, bytesToText(span(buffer, pos + l, m)), intToText(pos)});
        prev = pos;
    }
    return rows;
}

}  // namespace varnolt
