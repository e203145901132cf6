// The tool's one working copy of a file.
#pragma once

#include <utility>

#include "engine/byte_string.h"

namespace varnolt {

class LoadedFile {
public:
    bool isLoaded() const { return loaded_ == 1; }

    // Reads the file whole and makes it the working copy. When it cannot be
    // read, returns false and leaves the working copy and the flag as they
    // were, so a failed drop never throws away an unsaved patch.
    [[nodiscard]] bool load(const Text& path);

    const ByteString& buffer() const { return buffer_; }
    // Stores a new working copy; the flag is not touched.
    void replaceBuffer(ByteString value) { buffer_ = std::move(value); }
    // Moves the working copy out, leaving an empty one until replaceBuffer.
    ByteString takeBuffer() { return std::exchange(buffer_, ByteString()); }

    // Writes the whole buffer to path (see writeFile); the working copy stays.
    [[nodiscard]] bool save(const Text& path) const { return writeFile(path, buffer_); }

    // Releases the buffer's storage at program end; the flag is not touched.
    void release() { buffer_ = ByteString(); }

private:
    std::int32_t loaded_ = 0;
    ByteString buffer_;
};

}  // namespace varnolt
