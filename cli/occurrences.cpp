#include "cli/occurrences.h"

#include <algorithm>
#include <cstring>

namespace varnolt::cli {

Occurrence occurrenceAt(const ByteString& buffer, std::int32_t number, std::int32_t position,
                        std::int32_t patternLength, std::int32_t before, std::int32_t after) {
    // In 64 bits: position + length + after can pass 2^31, and past the end
    // of the buffer the span is simply empty.
    const std::int64_t beforeStart = std::max<std::int64_t>(1, std::int64_t{position} - before);
    const std::int64_t afterStart = std::int64_t{position} + patternLength;
    Occurrence o{number, position, {}, {}};
    o.before = mid(buffer, static_cast<std::int32_t>(beforeStart), static_cast<std::int32_t>(position - beforeStart));
    if (afterStart <= buffer.size()) o.after = mid(buffer, static_cast<std::int32_t>(afterStart), after);
    return o;
}

void PlaceWriter::write(std::int32_t position) {
    const std::int64_t offset = std::int64_t{position} - 1;
    const std::int64_t from = std::max(offset, end_);
    const std::int64_t to = offset + bytes_.size();
    if (from < to)
        std::memcpy(out_ + from, bytes_.data() + (from - offset), static_cast<std::size_t>(to - from));
    end_ = std::max(end_, to);
}

bool occursAt(const ByteString& buffer, const ByteString& pattern, std::int32_t position) {
    if (position < 1 || std::int64_t{position} - 1 + pattern.size() > buffer.size()) return false;
    return std::memcmp(buffer.data() + (position - 1), pattern.data(), static_cast<std::size_t>(pattern.size())) == 0;
}

}  // namespace varnolt::cli
