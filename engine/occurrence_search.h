// Lists where a search text's bytes occur in a buffer, with their surroundings.
#pragma once

#include <vector>

#include "engine/byte_string.h"

namespace varnolt {

// One listed occurrence, shown as columns 0 to 4 of the result list.
struct ResultRow {
    Text number;    // 1-based ordinal in this search
    Text before;    // bytes before the hit, up to the first zero byte
    Text found;     // the search text as typed
    Text after;     // bytes after the hit, up to the first zero byte
    Text position;  // 1-based byte position of the hit
};

inline constexpr std::int32_t maxHits = 1000;
// The most bytes a row's before, found or after text holds. They are only
// shown, never read back, and without a bound a pasted length such as
// 99999999999 would copy the whole buffer into every one of 1000 rows.
inline constexpr std::int32_t maxCellBytes = 4096;

// The first maxHits occurrences of searchText's bytes, overlapping ones
// included, in ascending position. beforeText and afterText are read with
// textToInt as the number of context bytes; a count <= 0 gives an empty span.
// The before span holds only bytes before the hit: from max(1, pos - N) to
// pos - 1. The after span starts right after the hit's last byte. Each text
// ends at its span's first zero byte, and after maxCellBytes bytes.
std::vector<ResultRow> searchOccurrences(const ByteString& buffer, const Text& searchText,
                                         const Text& beforeText, const Text& afterText);

}  // namespace varnolt
