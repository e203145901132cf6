// Storage for byte values and the out-of-memory path.
#include <sys/mman.h>

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

#include "engine/byte_string.h"

namespace varnolt {
namespace {

// Values this large are mapped on 2 MiB boundaries and advised for huge pages:
// with 4 KiB pages, faulting in a fresh 256 MiB buffer costs more than reading
// the file into it.
constexpr std::size_t kHugePage = std::size_t{2} << 20;

FatalErrorHook fatalHook = nullptr;

std::shared_ptr<std::uint8_t> allocateHuge(std::size_t n) {
    const std::size_t rounded = (n + kHugePage - 1) / kHugePage * kHugePage;
    void* raw = mmap(nullptr, rounded + kHugePage, PROT_READ | PROT_WRITE,
                     MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    if (raw == MAP_FAILED) return nullptr;
    auto* base = static_cast<std::uint8_t*>(raw);
    const auto addr = reinterpret_cast<std::uintptr_t>(base);
    auto* aligned = reinterpret_cast<std::uint8_t*>((addr + kHugePage - 1) & ~(kHugePage - 1));
    const std::size_t head = static_cast<std::size_t>(aligned - base);
    if (head > 0) munmap(base, head);
    const std::size_t tail = kHugePage - head;
    if (tail > 0) munmap(aligned + rounded, tail);
    madvise(aligned, rounded, MADV_HUGEPAGE);
    return std::shared_ptr<std::uint8_t>(aligned, [rounded](std::uint8_t* p) { munmap(p, rounded); });
}

std::shared_ptr<std::uint8_t> allocate(std::int32_t n) {
    const auto size = static_cast<std::size_t>(n);
    if (size >= kHugePage) return allocateHuge(size);
    auto* p = static_cast<std::uint8_t*>(std::malloc(size));
    if (p == nullptr) return nullptr;
    return std::shared_ptr<std::uint8_t>(p, [](std::uint8_t* q) { std::free(q); });
}

}  // namespace

void setFatalErrorHook(FatalErrorHook hook) { fatalHook = hook; }

void failAllocation(std::int64_t bytesAsked) {
    if (fatalHook != nullptr) {
        // The hook takes a text, so the message is in code page 936:
        // "分配 %d 字节内存失败!".
        char message[96];
        std::snprintf(message, sizeof message, "\xb7\xd6\xc5\xe4 %" PRId64 " \xd7\xd6\xbd\xda\xc4\xda\xb4\xe6\xca\xa7\xb0\xdc!",
                      bytesAsked);
        fatalHook(message);
    } else {
        // Without a window the terminal gets it in the locale's UTF-8.
        std::fprintf(stderr, "运行时出错!\n\n错误信息：分配 %" PRId64 " 字节内存失败!\n", bytesAsked);
        std::fflush(stderr);
    }
    std::_Exit(-1);  // a hook that returns must not let the caller go on without storage
}

ByteBuilder::ByteBuilder(std::int32_t n) {
    if (n <= 0) return;
    data_ = allocate(n);
    if (!data_) failAllocation(n);
    size_ = n;
}

std::optional<ByteBuilder> ByteBuilder::tryAllocate(std::int32_t n) {
    ByteBuilder b;
    if (n <= 0) return b;
    b.data_ = allocate(n);
    if (!b.data_) return std::nullopt;
    b.size_ = n;
    return b;
}

std::optional<ByteBuilder> ByteBuilder::reclaim(ByteString& value) {
    if (value.data_.use_count() != 1) return std::nullopt;
    ByteBuilder b;
    // The storage was made writable by a builder; only constness was added.
    b.data_ = std::const_pointer_cast<std::uint8_t>(std::move(value.data_));
    b.size_ = value.size_;
    value = ByteString();
    return b;
}

ByteBuilder ByteBuilder::writableFrom(ByteString value) {
    if (std::optional<ByteBuilder> own = reclaim(value)) return std::move(*own);
    ByteBuilder copy(value.size());
    if (value.size() > 0) std::memcpy(copy.data(), value.data(), static_cast<std::size_t>(value.size()));
    return copy;
}

void ByteBuilder::shrink(std::int32_t n) {
    if (n < 0) n = 0;
    if (n >= size_) return;
    size_ = n;
    if (n == 0) data_.reset();
}

ByteString ByteBuilder::freeze() && {
    ByteString s;
    if (size_ > 0) {
        s.data_ = std::move(data_);
        s.size_ = size_;
    }
    data_.reset();
    size_ = 0;
    return s;
}

ByteString ByteString::copyOf(std::string_view bytes) {
    const auto n = static_cast<std::int32_t>(std::min<std::size_t>(bytes.size(), INT32_MAX));
    ByteBuilder b(n);
    if (n > 0) std::memcpy(b.data(), bytes.data(), static_cast<std::size_t>(n));
    return std::move(b).freeze();
}

}  // namespace varnolt
