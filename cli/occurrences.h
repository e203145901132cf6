// Occurrences of a byte pattern and writing a replacement over them.
//
// The engine's row search and replacement take texts, which end at their
// first zero byte; a UTF-16 or hex pattern holds zero bytes, so the command
// line works on the bytes with the engine's find and lays out the rows as the
// window does.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/byte_string.h"

namespace varnolt::cli {

// One occurrence with the window's context spans: before holds up to N bytes
// right before the hit (never its own), after up to M bytes right after it.
// Spans keep every byte, zero bytes included.
struct Occurrence {
    std::int32_t number;    // 1-based ordinal
    std::int32_t position;  // 1-based byte position
    ByteString before;
    ByteString after;
};

// Calls visit(position) for the first `limit` occurrences of pattern in buffer,
// overlapping ones included, in ascending position; stops early when visit
// returns false. Returns how many were visited.
template <class Visit>
std::int64_t forEachPosition(const ByteString& buffer, const ByteString& pattern, std::int64_t limit, Visit&& visit) {
    std::int64_t count = 0;
    std::int64_t prev = 0;
    while (count < limit && prev < INT32_MAX) {
        const std::int32_t pos = find(buffer, pattern, static_cast<std::int32_t>(prev + 1));
        if (pos == -1) break;
        ++count;
        if (!visit(pos)) break;
        prev = pos;
    }
    return count;
}

Occurrence occurrenceAt(const ByteString& buffer, std::int32_t number, std::int32_t position,
                        std::int32_t patternLength, std::int32_t before, std::int32_t after);

// Writes bytes over a copy of a buffer at positions given in ascending order.
// Where two places overlap the lower one keeps its bytes, as writing them from
// the last to the first (the window's order) would. Every place must lie
// wholly inside the buffer.
class PlaceWriter {
public:
    PlaceWriter(std::uint8_t* out, const ByteString& bytes) : out_(out), bytes_(bytes) {}
    void write(std::int32_t position);

private:
    std::uint8_t* out_;
    ByteString bytes_;
    std::int64_t end_ = 0;  // offset just past the last place written
};

// True when pattern occurs at the 1-based position.
bool occursAt(const ByteString& buffer, const ByteString& pattern, std::int32_t position);

}  // namespace varnolt::cli
