// A search followed by Modify with random check states, against a reference
// written from the rules. Stale rows (positions from an older buffer) and a
// search text edited after the search are mixed in. Whatever happens, the
// buffer keeps its size and only the bytes of checked places inside it change.
#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/occurrence_search.h"
#include "engine/replacement.h"
#include "fuzz/fuzz_support.h"

namespace {

using namespace varnolt;
using varnolt::fuzzing::require;

std::string textOf(const std::string& s) { return s.substr(0, s.find('\0')); }

// A length box's text: a small number, an edge of the 32-bit range, or any bytes.
std::string lengthText(FuzzedDataProvider& in) {
    switch (in.ConsumeIntegralInRange(0, 2)) {
        case 0: return std::to_string(in.ConsumeIntegralInRange(-20, 40));
        case 1: return std::to_string(fuzzing::edgyInt(in, 0));
        default: return in.ConsumeRandomLengthString(12);
    }
}

std::vector<std::int32_t> referenceHits(const std::string& buffer, const std::string& pattern) {
    std::vector<std::int32_t> hits;
    if (pattern.empty()) return hits;
    for (std::size_t i = 0; i + pattern.size() <= buffer.size() && hits.size() < maxHits; ++i)
        if (buffer.compare(i, pattern.size(), pattern) == 0) hits.push_back(static_cast<std::int32_t>(i + 1));
    return hits;
}

// The bytes from first to last (1-based, inclusive, clipped to the buffer),
// shown as a cell shows them: at most maxCellBytes, up to the first zero byte.
std::string shownSpan(const std::string& buffer, std::int64_t first, std::int64_t last) {
    first = std::max<std::int64_t>(first, 1);
    last = std::min<std::int64_t>(last, static_cast<std::int64_t>(buffer.size()));
    if (first > last) return {};
    const auto length = std::min<std::int64_t>(last - first + 1, maxCellBytes);
    return textOf(buffer.substr(static_cast<std::size_t>(first - 1), static_cast<std::size_t>(length)));
}

struct Rows {
    std::vector<std::pair<bool, Text>> rows;  // check state, position text
    std::int32_t rowCount() const { return static_cast<std::int32_t>(rows.size()); }
    std::int32_t isChecked(std::int32_t r) const {
        return r >= 0 && r < rowCount() ? rows[static_cast<std::size_t>(r)].first : -1;
    }
    Text cellText(std::int32_t r, std::int32_t column) const {
        return column == 4 && r >= 0 && r < rowCount() ? rows[static_cast<std::size_t>(r)].second : Text();
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    const std::string searchText = in.ConsumeRandomLengthString(16);
    const std::string beforeText = lengthText(in), afterText = lengthText(in);
    // A chunk repeated: buffers longer than a cell holds, from short inputs.
    std::string buffer;
    std::string chunk = in.ConsumeRandomLengthString(2048);
    // Without zero bytes, so that spans reach the cell's limit instead of
    // stopping at the first zero.
    if (in.ConsumeBool()) std::replace(chunk.begin(), chunk.end(), '\0', 'z');
    for (int k = in.ConsumeIntegralInRange(1, 8); k > 0; --k) buffer += chunk;
    const std::string pattern = textOf(searchText);
    for (int k = in.ConsumeIntegralInRange(0, 6); k > 0 && !buffer.empty(); --k) {
        const std::size_t at = in.ConsumeIntegralInRange<std::size_t>(0, buffer.size() - 1);
        buffer.replace(at, std::min(pattern.size(), buffer.size() - at), pattern.substr(0, buffer.size() - at));
    }

    LoadedFile file;
    file.replaceBuffer(ByteString::copyOf(buffer));
    const std::vector<ResultRow> rows = searchOccurrences(file.buffer(), searchText, beforeText, afterText);

    const std::vector<std::int32_t> hits = referenceHits(buffer, pattern);
    require(rows.size() == hits.size(), "one row per occurrence, at most maxHits");
    const std::int64_t n = textToInt(beforeText), m = textToInt(afterText), l = std::int64_t(pattern.size());
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const std::int64_t pos = hits[i];
        require(rows[i].number == std::to_string(i + 1), "rows are numbered from 1");
        require(rows[i].position == std::to_string(pos), "the position is the hit's 1-based position");
        require(rows[i].found == pattern.substr(0, maxCellBytes), "found is the search text");
        require(rows[i].before == (n > 0 ? shownSpan(buffer, pos - n, pos - 1) : ""), "before is the bytes before the hit");
        require(rows[i].after == (m > 0 ? shownSpan(buffer, pos + l, pos + l - 1 + m) : ""), "after follows the hit");
    }

    // Modify: random check states, maybe a stale row, maybe an edited search text.
    Rows table;
    for (const ResultRow& row : rows) table.rows.push_back({in.ConsumeBool(), row.position});
    if (in.ConsumeBool()) {
        const std::size_t at = in.ConsumeIntegralInRange<std::size_t>(0, table.rows.size());
        const std::string stale = in.ConsumeBool() ? std::to_string(fuzzing::edgyInt(in, std::int32_t(buffer.size())))
                                                   : in.ConsumeRandomLengthString(12);
        table.rows.insert(table.rows.begin() + static_cast<std::ptrdiff_t>(at), {in.ConsumeBool(), stale});
    }
    const std::string modifySearch = in.ConsumeBool() ? in.ConsumeRandomLengthString(16) : searchText;
    const std::string replacementText = in.ConsumeRandomLengthString(16);

    const std::string replacement = textOf(replacementText), span = textOf(modifySearch);
    ReplaceOutcome want = ReplaceOutcome::done;
    std::string expected = buffer;
    std::vector<bool> writable(buffer.size(), false);
    if (replacement.empty()) {
        want = ReplaceOutcome::emptyReplacement;
    } else if (replacement.size() > span.size()) {
        want = ReplaceOutcome::replacementTooLong;
    } else {
        const std::string bytes = replacement + std::string(span.size() - replacement.size(), '\0');
        for (std::size_t i = table.rows.size(); i-- > 0;) {
            if (!table.rows[i].first) continue;
            const std::int64_t pos = textToInt(table.rows[i].second);
            if (pos < 1 || pos - 1 + std::int64_t(span.size()) > std::int64_t(buffer.size())) continue;
            expected.replace(static_cast<std::size_t>(pos - 1), span.size(), bytes);
            std::fill_n(writable.begin() + (pos - 1), span.size(), true);
        }
    }

    require(replaceChecked(file, table, replacementText, modifySearch) == want, "the outcome follows the validation");
    const std::string_view after = file.buffer().view();
    require(after.size() == buffer.size(), "the buffer never changes size");
    for (std::size_t i = 0; i < buffer.size(); ++i)
        require(writable[i] || after[i] == buffer[i], "only bytes of checked places inside the buffer change");
    require(after == expected, "the places hold the padded replacement, the lowest place winning overlaps");
    return 0;
}
