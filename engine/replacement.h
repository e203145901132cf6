// Overwrites the checked places of a search in the working copy.
#pragma once

#include <vector>

#include "engine/loaded_file.h"

namespace varnolt {

enum class ReplaceOutcome { emptyReplacement, replacementTooLong, done };

// Writes replacementText, padded with zero bytes to searchText's byte length,
// at each position, in the order given (later writes win where places
// overlap). A place whose span does not lie wholly inside the buffer is
// skipped, so the buffer never changes size. Validation comes first: an empty
// replacement, or one longer in bytes than searchText, changes nothing.
// Costs one copy of the buffer, whatever the number of places.
ReplaceOutcome replaceAtPositions(LoadedFile& file, const std::vector<std::int32_t>& positions,
                                  const Text& replacementText, const Text& searchText);

// Rows is any table with rowCount(), isChecked(r) (1 when checked) and
// cellText(r, 4) (the position text). Checked rows are collected from the last
// to the first, so places are written from the highest position down and the
// lower position wins in overlapping bytes.
template <class Rows>
ReplaceOutcome replaceChecked(LoadedFile& file, const Rows& rows, const Text& replacementText,
                              const Text& searchText) {
    std::vector<std::int32_t> positions;
    if (textLength(replacementText) > 0 && textLength(replacementText) <= textLength(searchText)) {
        const std::int32_t n = rows.rowCount();
        for (std::int32_t i = 1; i <= n; ++i) {
            const std::int32_t r = n - i;
            if (rows.isChecked(r) == 1) positions.push_back(textToInt(rows.cellText(r, 4)));
        }
    }
    return replaceAtPositions(file, positions, replacementText, searchText);
}

}  // namespace varnolt
