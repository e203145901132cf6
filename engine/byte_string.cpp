// Clipping operations on byte values and the text/number conversions.
#include <algorithm>
#include <cstring>

#include "engine/byte_string.h"

namespace varnolt {
namespace {

// A 1-based start and a count clipped to [0, size]: 64-bit so that a start or
// count near the 32-bit limits cannot overflow.
struct Span {
    std::int32_t offset;
    std::int32_t count;
};

Span clip(std::int32_t size, std::int32_t start, std::int32_t count) {
    const std::int64_t offset = std::clamp<std::int64_t>(std::int64_t{start} - 1, 0, size);
    const std::int64_t n = std::clamp<std::int64_t>(count, 0, size - offset);
    return {static_cast<std::int32_t>(offset), static_cast<std::int32_t>(n)};
}

}  // namespace

std::int32_t length(const ByteString& b) { return b.size(); }

ByteString mid(const ByteString& value, std::int32_t start, std::int32_t count) {
    const Span s = clip(value.size(), start, count);
    return ByteString::copyOf(value.view().substr(static_cast<std::size_t>(s.offset),
                                                  static_cast<std::size_t>(s.count)));
}

ByteString replaceRange(const ByteString& value, std::int32_t start, std::int32_t length,
                        const ByteString& replacement) {
    const Span s = clip(value.size(), start, length);
    const std::string_view v = value.view();
    const std::string_view head = v.substr(0, static_cast<std::size_t>(s.offset));
    const std::string_view tail = v.substr(static_cast<std::size_t>(s.offset) + static_cast<std::size_t>(s.count));
    const std::int64_t total = std::int64_t{value.size()} - s.count + replacement.size();
    if (total > INT32_MAX) failAllocation(total);
    ByteBuilder b(static_cast<std::int32_t>(total));
    std::uint8_t* out = b.data();
    for (std::string_view part : {head, replacement.view(), tail}) {
        if (part.empty()) continue;
        std::memcpy(out, part.data(), part.size());
        out += part.size();
    }
    return std::move(b).freeze();
}

ByteString zeros(std::int32_t n) {
    ByteBuilder b(n);
    if (n > 0) std::memset(b.data(), 0, static_cast<std::size_t>(n));
    return std::move(b).freeze();
}

ByteString concat(std::initializer_list<ByteString> parts) {
    std::int64_t total = 0;
    for (const ByteString& p : parts) total += p.size();
    if (total > INT32_MAX) failAllocation(total);
    ByteBuilder b(static_cast<std::int32_t>(total));
    std::uint8_t* out = b.data();
    for (const ByteString& p : parts) {
        if (p.empty()) continue;
        std::memcpy(out, p.data(), static_cast<std::size_t>(p.size()));
        out += p.size();
    }
    return std::move(b).freeze();
}

std::int32_t textLength(std::string_view text) {
    const std::size_t end = std::min(text.find('\0'), text.size());
    return static_cast<std::int32_t>(std::min<std::size_t>(end, INT32_MAX));
}

ByteString textToBytes(std::string_view text) {
    return ByteString::copyOf(text.substr(0, static_cast<std::size_t>(textLength(text))));
}

Text bytesToText(const ByteString& b) {
    const std::string_view v = b.view();
    return Text(v.substr(0, std::min(v.find('\0'), v.size())));
}

Text intToText(std::int32_t n) { return std::to_string(n); }

std::int32_t textToInt(std::string_view text) {
    text = text.substr(0, static_cast<std::size_t>(textLength(text)));

    // Fold the GBK full-width forms people paste from Chinese input methods.
    std::string folded;
    folded.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto lead = static_cast<unsigned char>(text[i]);
        if (lead < 0x80) {
            folded.push_back(static_cast<char>(lead));
            continue;
        }
        if (i + 1 >= text.size()) break;  // a lone lead byte ends the text
        const auto second = static_cast<unsigned char>(text[++i]);
        if (lead == 0xA3 && second >= 0xA1 && second <= 0xFE) {
            folded.push_back(static_cast<char>(second - 0x80));
        } else if (lead == 0xA1 && second == 0xA1) {
            folded.push_back(' ');
        } else if (lead == 0xA1 && second == 0xAB) {
            folded.push_back('~');
        } else if (lead == 0xA1 && (second == 0xEE || second == 0xEF)) {
            folded.push_back('*');
        } else {
            folded.push_back(static_cast<char>(lead));
            folded.push_back(static_cast<char>(second));
        }
    }

    std::size_t i = 0;
    while (i < folded.size() && std::strchr(" \t\n\v\f\r", folded[i]) != nullptr && folded[i] != '\0') ++i;
    bool negative = false;
    if (i < folded.size() && (folded[i] == '+' || folded[i] == '-')) negative = folded[i++] == '-';
    // Unsigned arithmetic wraps by definition; the cast back is two's complement.
    std::uint32_t value = 0;
    for (; i < folded.size() && folded[i] >= '0' && folded[i] <= '9'; ++i)
        value = value * 10u + static_cast<std::uint32_t>(folded[i] - '0');
    if (negative) value = 0u - value;
    return static_cast<std::int32_t>(value);
}

}  // namespace varnolt
