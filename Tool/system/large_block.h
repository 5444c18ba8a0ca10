// Memory for the large tables and texts the tools build from big inputs. On Linux a block of 2 MiB
// or more asks for huge pages: filling fresh memory costs a page fault per page, and on a virtual
// machine a fault per 4 KiB page can cost more than the tool's own work on the bytes (about 3 ms per
// MiB against well under 1 ms in huge pages, measured on the benchmark machine).
#ifndef VELLIX_LARGE_BLOCK_H
#define VELLIX_LARGE_BLOCK_H

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <new>
#include <string>

namespace vellix {

// A block of `bytes` bytes, released with free(), or null: for a large one, on Linux, in huge pages.
char *allocate_large_block(std::size_t bytes);

// The standard containers' allocator over allocate_large_block: a vector or string that grows large
// lives in huge pages; a small one is an ordinary malloc block.
template <typename T>
struct LargeBlockAllocator {
    using value_type = T;
    LargeBlockAllocator() = default;
    template <typename U>
    LargeBlockAllocator(const LargeBlockAllocator<U> &) noexcept {}

    T *allocate(std::size_t count) {
        if (count > SIZE_MAX / sizeof(T)) throw std::bad_array_new_length();
        void *block = allocate_large_block(count * sizeof(T));
        if (!block) throw std::bad_alloc();
        return static_cast<T *>(block);
    }
    void deallocate(T *block, std::size_t) noexcept { std::free(block); }

    template <typename U>
    bool operator==(const LargeBlockAllocator<U> &) const noexcept { return true; }
    template <typename U>
    bool operator!=(const LargeBlockAllocator<U> &) const noexcept { return false; }
};

// A text that may grow to megabytes.
using LargeText = std::basic_string<char, std::char_traits<char>, LargeBlockAllocator<char>>;

}  // namespace vellix

#endif
