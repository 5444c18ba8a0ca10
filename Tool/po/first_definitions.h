// The first definition of each key in a file of many entries: a flat open-addressing table of
// 8-byte slots over a list of keys and one block of their bytes (or over keys the caller keeps), so
// that a lookup costs about one cache miss, which matters for files of 100,000 entries.
#ifndef VELLIX_FIRST_DEFINITIONS_H
#define VELLIX_FIRST_DEFINITIONS_H

#include "large_block.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string_view>
#include <vector>

namespace vellix {

class FirstDefinitions {
public:
    // Sized for about `expected` keys of `key_bytes` bytes in all; it grows when there are more.
    FirstDefinitions(std::size_t expected, std::size_t key_bytes);
    // Over keys the caller keeps for as long as the table lives: `key_of(number)` is the key recorded
    // with `number`, which must then be below 2^32. Nothing is copied, so a table of a list of
    // entries costs its slots alone.
    using KeyOf = std::function<std::string_view(std::uint64_t number)>;
    FirstDefinitions(std::size_t expected, KeyOf key_of);
    ~FirstDefinitions();
    FirstDefinitions(const FirstDefinitions &) = delete;
    FirstDefinitions &operator=(const FirstDefinitions &) = delete;

    // The hash of a key, as the next two take it: seeded per table, as the library's index is, so
    // that keys cannot be made to collide on purpose.
    std::size_t hash(std::string_view key) const;

    // The line of the key's first definition, or 0 when this is it (then `line` is recorded). The
    // number kept with a key may be any the caller chooses but 0: a line, or an index plus one.
    std::uint64_t find_or_add(std::string_view key, std::size_t hash, std::uint64_t line);

    // The number kept with the key, or 0 when it has none.
    std::uint64_t find(std::string_view key, std::size_t hash) const;

    // Starts loading the slot where a key of this hash belongs, so that a lookup a little later
    // finds it in the cache instead of waiting for memory.
    void prefetch(std::size_t hash) const;

private:
    struct Slot {
        std::uint32_t tag;           // the hash's upper half: most mismatches end here
        std::uint32_t key_plus_one;  // 0 marks an empty slot; over borrowed keys, the number itself
    };
    struct Key {
        std::uint32_t offset;  // sources and PO files hold at most 2147483646 bytes
        std::uint32_t length;
        std::uint64_t line;
    };

    static Slot *allocate_slots(std::size_t size);
    std::string_view key_in(const Slot &slot) const;
    std::uint64_t number_in(const Slot &slot) const;
    void grow();

    std::uint64_t seed_;
    Slot *slots_;
    std::size_t size_;  // slots, a power of two
    std::size_t used_ = 0;  // slots that hold a key
    std::vector<Key, LargeBlockAllocator<Key>> keys_;
    LargeText bytes_;  // every key, back to back
    KeyOf key_of_;     // set when the caller keeps the keys: then keys_ and bytes_ stay empty
};

}  // namespace vellix

#endif
