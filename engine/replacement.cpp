#include "engine/replacement.h"

#include <cstring>

namespace varnolt {

ReplaceOutcome replaceAtPositions(LoadedFile& file, const std::vector<std::int32_t>& positions,
                                  const Text& replacementText, const Text& searchText) {
    const std::int32_t replacementLength = textLength(replacementText);
    const std::int32_t spanLength = textLength(searchText);
    if (replacementLength == 0) return ReplaceOutcome::emptyReplacement;
    if (replacementLength > spanLength) return ReplaceOutcome::replacementTooLong;

    const ByteString bytes = concat({textToBytes(replacementText), zeros(spanLength - replacementLength)});
    const std::int64_t size = file.buffer().size();
    auto inside = [&](std::int32_t pos) { return pos >= 1 && std::int64_t{pos} - 1 + spanLength <= size; };
    bool any = false;
    for (std::int32_t pos : positions) any = any || inside(pos);
    if (!any) return ReplaceOutcome::done;

    // Every place is written into one new value: the same bytes as replacing
    // each span in turn. A working copy that nothing else holds is reused, so
    // a Modify on a large file costs neither a copy nor a second buffer.
    ByteBuilder next = ByteBuilder::writableFrom(file.takeBuffer());
    for (std::int32_t pos : positions) {
        if (inside(pos))
            std::memcpy(next.data() + (pos - 1), bytes.data(), static_cast<std::size_t>(spanLength));
    }
    file.replaceBuffer(std::move(next).freeze());
    return ReplaceOutcome::done;
}

}  // namespace varnolt
