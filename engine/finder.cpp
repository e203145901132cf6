// Exact byte search.
//
// Each candidate is filtered on two of the pattern's bytes at once, chosen as
// the rarest in typical binaries, sixteen candidate positions per compare; only
// the survivors are compared in full. Where survivors turn out to be dense the
// rest of the scan goes to memmem, whose two-way search keeps the worst case
// linear.
#include <algorithm>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "engine/byte_string.h"

namespace varnolt {
namespace {

// How common a byte is in executables and their data, higher is more common.
// Zero and 0xFF padding dominate, then small integers, common x86 opcodes and
// English text.
std::uint8_t commonness(std::uint8_t b) {
    if (b == 0x00) return 255;
    if (b == 0xFF) return 240;
    if (b < 0x10) return 200;
    switch (b) {
        case 0x48: case 0x89: case 0x8B: case 0xE8: case 0x24: case 0x44: case 0x83:
        case 0xC3: case 0x85: case 0x4C: case 0x8D: case 0xCC: case 0x90:
            return 190;
        case ' ': case 'e': case 't': case 'a': case 'o': case 'i': case 'n': case 's': case 'r':
            return 180;
        default: break;
    }
    if (b < 0x20) return 120;
    if (b >= 'a' && b <= 'z') return 150;
    if (b >= '0' && b <= '9') return 140;
    if (b >= 'A' && b <= 'Z') return 130;
    if (b < 0x80) return 110;
    return 70;
}

struct Anchors {
    std::size_t first;   // offsets into the pattern of the two filter bytes
    std::size_t second;
};

Anchors chooseAnchors(const std::uint8_t* pat, std::size_t m) {
    std::size_t a = 0;
    for (std::size_t i = 1; i < m; ++i)
        if (commonness(pat[i]) < commonness(pat[a])) a = i;
    // The second anchor prefers a different byte value: two equal bytes filter
    // little more than one.
    std::size_t b = a == 0 ? 1 : 0;
    auto worse = [&](std::size_t x, std::size_t y) {
        const bool xSame = pat[x] == pat[a], ySame = pat[y] == pat[a];
        if (xSame != ySame) return xSame;
        return commonness(pat[x]) > commonness(pat[y]);
    };
    for (std::size_t i = 0; i < m; ++i)
        if (i != a && worse(b, i)) b = i;
    return {a, b};
}

const std::uint8_t* viaMemmem(const std::uint8_t* hay, std::size_t n, const std::uint8_t* pat, std::size_t m) {
    return static_cast<const std::uint8_t*>(memmem(hay, n, pat, m));
}

// Survivors worth verifying are rare; once they reach one per this many bytes
// scanned (after a short grace), the filter is not paying for itself.
constexpr std::size_t kDenseSpacing = 64;
constexpr std::size_t kGrace = 32;

const std::uint8_t* findLong(const std::uint8_t* hay, std::size_t n, const std::uint8_t* pat, std::size_t m) {
    const Anchors an = chooseAnchors(pat, m);
    const std::size_t last = n - m;  // highest candidate
    std::size_t c = 0;
    std::size_t misses = 0;

    auto verify = [&](std::size_t cand) -> bool {
        if (std::memcmp(hay + cand, pat, m) == 0) return true;
        ++misses;
        return false;
    };
    auto tooDense = [&](std::size_t at) { return misses > kGrace && misses * kDenseSpacing > at; };

#if defined(__SSE2__)
    const __m128i va = _mm_set1_epi8(static_cast<char>(pat[an.first]));
    const __m128i vb = _mm_set1_epi8(static_cast<char>(pat[an.second]));
    auto block = [&](std::size_t at) {
        const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(hay + at + an.first));
        const __m128i y = _mm_loadu_si128(reinterpret_cast<const __m128i*>(hay + at + an.second));
        return static_cast<unsigned>(_mm_movemask_epi8(
            _mm_and_si128(_mm_cmpeq_epi8(x, va), _mm_cmpeq_epi8(y, vb))));
    };
    // Candidates c .. c+15 are tested at once; all must be whole candidates.
    while (last >= 15 && c <= last - 15) {
        unsigned mask;
        if (last >= 63 && c <= last - 63) {
            const unsigned m0 = block(c), m1 = block(c + 16), m2 = block(c + 32), m3 = block(c + 48);
            if ((m0 | m1 | m2 | m3) == 0) {
                c += 64;
                continue;
            }
            mask = m0;
            if (mask == 0) {
                c += 16;
                continue;
            }
        } else {
            mask = block(c);
        }
        while (mask != 0) {
            const std::size_t cand = c + static_cast<std::size_t>(__builtin_ctz(mask));
            if (verify(cand)) return hay + cand;
            mask &= mask - 1;
        }
        c += 16;
        if (tooDense(c)) return viaMemmem(hay + c, n - c, pat, m);
    }
#endif
    for (; c <= last; ++c) {
        if (hay[c + an.first] != pat[an.first] || hay[c + an.second] != pat[an.second]) continue;
        if (verify(c)) return hay + c;
        if (tooDense(c)) return viaMemmem(hay + c + 1, n - c - 1, pat, m);
    }
    return nullptr;
}

const std::uint8_t* findBytes(const std::uint8_t* hay, std::size_t n, const std::uint8_t* pat, std::size_t m) {
    if (m == 1) return static_cast<const std::uint8_t*>(std::memchr(hay, pat[0], n));
    return findLong(hay, n, pat, m);
}

}  // namespace

std::int32_t find(const ByteString& haystack, const ByteString& pattern, std::int32_t start) {
    if (pattern.empty()) return -1;
    const std::int64_t offset = std::max<std::int64_t>(std::int64_t{start} - 1, 0);
    const std::int64_t remaining = std::int64_t{haystack.size()} - offset;
    if (remaining <= 0 || remaining < pattern.size()) return -1;
    const std::uint8_t* base = haystack.data();
    const std::uint8_t* hit = findBytes(base + offset, static_cast<std::size_t>(remaining), pattern.data(),
                                        static_cast<std::size_t>(pattern.size()));
    return hit == nullptr ? -1 : static_cast<std::int32_t>(hit - base) + 1;
}

}  // namespace varnolt
