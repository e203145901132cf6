// Byte strings, texts and the conversions between them, plus whole-file I/O.
//
// Every position is 1-based; out-of-range starts and counts are clipped, never
// refused. Lengths are 32-bit signed, as the values crossing the engine's
// boundary are.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace varnolt {

// A text: bytes in the ANSI code page (GBK here), never holding a zero byte.
// Where a std::string given as a text does hold one, the text ends before it,
// as a zero-terminated text would.
using Text = std::string;

// An immutable, counted run of arbitrary bytes. Copies share the storage; the
// empty value owns none. Values are built through ByteBuilder.
class ByteString {
public:
    ByteString() = default;

    std::int32_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    const std::uint8_t* data() const { return data_.get(); }
    std::string_view view() const {
        return {reinterpret_cast<const char*>(data_.get()), static_cast<std::size_t>(size_)};
    }
    // Copies the bytes; a view of 2^31 bytes or more is cut to 2^31 - 1.
    static ByteString copyOf(std::string_view bytes);

    friend bool operator==(const ByteString& a, const ByteString& b) { return a.view() == b.view(); }

private:
    friend class ByteBuilder;
    std::shared_ptr<const std::uint8_t> data_;
    std::int32_t size_ = 0;
};

// A value under construction: uniquely owned, writable, then frozen into a
// ByteString without a copy. Large storage is aligned for huge pages.
class ByteBuilder {
public:
    // Storage for n bytes (contents undefined); n <= 0 builds the empty value.
    // Out of memory ends the program through the fatal-error hook.
    explicit ByteBuilder(std::int32_t n);
    // The same, but out of memory gives std::nullopt instead of ending.
    static std::optional<ByteBuilder> tryAllocate(std::int32_t n);
    // Takes back the storage of a value that nobody else holds, so that it can
    // be changed without a copy; std::nullopt (value untouched) when shared.
    static std::optional<ByteBuilder> reclaim(ByteString& value);
    // The value's bytes to change: its own storage when nobody else holds it,
    // else one copy.
    static ByteBuilder writableFrom(ByteString value);

    std::uint8_t* data() { return data_.get(); }
    std::int32_t size() const { return size_; }
    // Keeps only the first n bytes (0 <= n <= size()).
    void shrink(std::int32_t n);
    ByteString freeze() &&;

private:
    ByteBuilder() = default;
    std::shared_ptr<std::uint8_t> data_;
    std::int32_t size_ = 0;
};

// Called when storage for a new value cannot be had, with the message
// "分配 %d 字节内存失败!" as a text (code page 936). It must not return.
// Without a hook the fatal error text goes to standard error in UTF-8 and the
// program exits with -1.
using FatalErrorHook = void (*)(const Text& message);
void setFatalErrorHook(FatalErrorHook hook);
[[noreturn]] void failAllocation(std::int64_t bytesAsked);

std::int32_t length(const ByteString& b);

// First occurrence of pattern at or after start (a start below 1 searches from
// 1), as a 1-based position counted from the haystack's start; -1 when there
// is none or the pattern is empty. Overlapping occurrences are found by
// searching again from the previous result + 1.
std::int32_t find(const ByteString& haystack, const ByteString& pattern, std::int32_t start);

// Up to count bytes from start. A start below 1 is taken as 1 without
// shortening the count; a start past the end, or a count <= 0, gives empty.
ByteString mid(const ByteString& value, std::int32_t start, std::int32_t count);

// value with the span (start, length), clipped as in mid, replaced by the whole
// replacement. A span cut by the end, or a start past it, grows the result;
// length <= 0 inserts; an empty replacement removes.
ByteString replaceRange(const ByteString& value, std::int32_t start, std::int32_t length,
                        const ByteString& replacement);

// n zero bytes; n <= 0 gives empty.
ByteString zeros(std::int32_t n);

// The arguments' bytes one after another.
ByteString concat(std::initializer_list<ByteString> parts);

// The text's bytes without a terminator.
ByteString textToBytes(std::string_view text);
// The bytes before the first zero byte, unchecked and unconverted.
Text bytesToText(const ByteString& b);
// Bytes before the terminator.
std::int32_t textLength(std::string_view text);
// Decimal, leading "-" for negatives, nothing else.
Text intToText(std::int32_t n);
// Folds GBK full-width forms to ASCII, skips leading white space, takes one
// optional sign and decimal digits, wrapping silently at 32 bits. No digit: 0.
std::int32_t textToInt(std::string_view text);

// The whole content of a regular file of fewer than 2^31 bytes. std::nullopt
// when it cannot be read: empty path, missing, no permission, not a regular
// file (a FIFO, a device or a folder fails at once, never blocks), too large,
// read error or no memory. An empty file read fine gives an empty value.
[[nodiscard]] std::optional<ByteString> tryReadFile(const Text& path);
// As tryReadFile, with every failure folded into the empty value.
ByteString readFile(const Text& path);

// Writes data as the file's whole content. The bytes go to a temporary file in
// the destination's folder, synced, then renamed over the destination in one
// step, so a failure leaves the old file intact and no temporary file behind.
// An existing destination keeps its permission bits. Where no temporary file
// can be made there, the file is truncated and written in place. True only
// when everything succeeded.
[[nodiscard]] bool writeFile(const Text& path, const ByteString& data);

}  // namespace varnolt
