#include "cli/occurrences.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "engine/occurrence_search.h"
#include "engine/replacement.h"

namespace varnolt::cli {
namespace {

// A buffer with dense, overlapping hits, some zero bytes and more than 1000
// hits, starting with a hit.
ByteString busyBuffer() {
    std::string s = "ab";
    std::mt19937 rng(6);
    for (int i = 0; i < 6000; ++i) s.push_back(rng() % 40 == 0 ? '\0' : "abc"[rng() % 3]);
    return ByteString::copyOf(s);
}

// The command line lists the rows the window lists, for every context length
// the window's boxes can give.
TEST(Occurrences, RowsMatchTheWindowsSearch) {
    const ByteString buffer = busyBuffer();
    for (const char* text : {"ab", "a", "ca", "bab"}) {
        for (auto [before, after] : {std::pair{10, 10}, {0, 3}, {7, 0}, {maxCellBytes, maxCellBytes}}) {
            SCOPED_TRACE(std::string(text) + " " + std::to_string(before) + "/" + std::to_string(after));
            const std::vector<ResultRow> rows =
                searchOccurrences(buffer, text, std::to_string(before), std::to_string(after));
            std::vector<ResultRow> ours;
            std::int32_t number = 0;
            const ByteString pattern = textToBytes(text);
            forEachPosition(buffer, pattern, maxHits, [&](std::int32_t pos) {
                const Occurrence o = occurrenceAt(buffer, ++number, pos, pattern.size(), before, after);
                ours.push_back({intToText(o.number), bytesToText(o.before), text, bytesToText(o.after),
                                intToText(o.position)});
                return true;
            });
            ASSERT_EQ(ours.size(), rows.size());
            for (std::size_t i = 0; i < rows.size(); ++i) {
                EXPECT_EQ(ours[i].number, rows[i].number);
                EXPECT_EQ(ours[i].before, rows[i].before);
                EXPECT_EQ(ours[i].after, rows[i].after);
                EXPECT_EQ(ours[i].position, rows[i].position);
            }
        }
    }
}

// Ascending writes that let the lower place win give the bytes of the
// window's Modify, which writes from the last checked row to the first.
TEST(Occurrences, PlaceWriterMatchesTheWindowsModify) {
    const ByteString buffer = busyBuffer();
    std::mt19937 rng(7);
    for (const char* replacement : {"X", "XY", "XYZ"}) {
        for (int round = 0; round < 20; ++round) {
            std::vector<std::int32_t> positions;
            forEachPosition(buffer, textToBytes("abc"), INT32_MAX, [&](std::int32_t pos) {
                if (rng() % 3 == 0) positions.push_back(pos);
                return true;
            });
            // Overlapping places too: "ab" hits one byte apart in "abab".
            forEachPosition(buffer, textToBytes("bab"), INT32_MAX, [&](std::int32_t pos) {
                if (rng() % 2 == 0) positions.push_back(pos);
                return true;
            });
            std::sort(positions.begin(), positions.end());
            positions.erase(std::unique(positions.begin(), positions.end()), positions.end());

            LoadedFile window;
            window.replaceBuffer(buffer);
            const std::vector<std::int32_t> lastFirst(positions.rbegin(), positions.rend());
            ASSERT_EQ(replaceAtPositions(window, lastFirst, replacement, "abc"), ReplaceOutcome::done);

            ByteBuilder ours(buffer.size());
            std::copy(buffer.data(), buffer.data() + buffer.size(), ours.data());
            PlaceWriter writer(ours.data(), concat({textToBytes(replacement), zeros(3 - textLength(replacement))}));
            for (std::int32_t pos : positions) writer.write(pos);
            EXPECT_EQ(std::move(ours).freeze(), window.buffer()) << replacement << " round " << round;
        }
    }
}

}  // namespace
}  // namespace varnolt::cli
