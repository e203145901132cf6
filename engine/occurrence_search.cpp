#include "engine/occurrence_search.h"

#include <algorithm>

namespace varnolt {
namespace {

// The text of a span given by a start and count computed in 64 bits, clipped
// to the buffer as mid() clips, read in place up to its first zero byte and
// at most maxCellBytes long.
Text spanText(const ByteString& buffer, std::int64_t start, std::int64_t count) {
    const std::int64_t size = buffer.size();
    const std::int64_t offset = std::clamp<std::int64_t>(start - 1, 0, size);
    const std::int64_t n = std::clamp<std::int64_t>(std::min<std::int64_t>(count, maxCellBytes), 0, size - offset);
    const std::string_view span = buffer.view().substr(static_cast<std::size_t>(offset), static_cast<std::size_t>(n));
    return Text(span.substr(0, std::min(span.find('\0'), span.size())));
}

}  // namespace

std::vector<ResultRow> searchOccurrences(const ByteString& buffer, const Text& searchText,
                                         const Text& beforeText, const Text& afterText) {
    const ByteString pattern = textToBytes(searchText);
    const Text found = bytesToText(pattern).substr(0, maxCellBytes);
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
        rows.push_back({intToText(i), spanText(buffer, beforeStart, n > 0 ? pos - beforeStart : 0), found,
                        spanText(buffer, pos + l, m), intToText(pos)});
        prev = pos;
    }
    return rows;
}

}  // namespace varnolt
