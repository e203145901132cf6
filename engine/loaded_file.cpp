#include "engine/loaded_file.h"

namespace varnolt {

bool LoadedFile::load(const Text& path) {
    std::optional<ByteString> content = tryReadFile(path);
    if (!content) return false;
    buffer_ = std::move(*content);
    loaded_ = 1;
    return true;
}

}  // namespace varnolt
