// What an index is inside: the record and the table of slots that follows it in one allocation,
// and what the library reads of it beyond the public functions (how much of the handle it covers,
// the plural rule it parsed, how evenly its keys spread). The index's functions build and use it.
#ifndef VELLIX_INDEX_LAYOUT_H
#define VELLIX_INDEX_LAYOUT_H

#include "key_hash.h"
#include "vellix.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace vellix {

class PluralRule;

// One slot of the open-addressing table: part of the key's hash, so that most misses never touch a
// key's bytes, and the entry's position plus one (0 marks an empty slot).
struct IndexSlot {
    std::uint32_t hash_tag;
    std::uint32_t entry_plus_one;
};

// The hash of a NUL-terminated key under the index's seed.
inline std::uint64_t key_hash_of(const char *key, std::uint64_t seed) { return hash_key(key, std::strlen(key), seed); }

}  // namespace vellix

// The record and its table are one allocation: the slots follow the record.
struct vellix_index {
    const i18n *handle;   // its arrays are read at each lookup, so that appending keeps them valid
    std::size_t entries;  // how many of the handle's entries are indexed
    std::size_t mask;     // slots - 1; the slot count is a power of two
    std::uint64_t seed;
    const char *header;        // the header entry's text when the index was built, or null
    vellix::PluralRule *rule;  // its plural rule, parsed at build; owned

    vellix::IndexSlot *slots() { return reinterpret_cast<vellix::IndexSlot *>(this + 1); }
    const vellix::IndexSlot *slots() const { return reinterpret_cast<const vellix::IndexSlot *>(this + 1); }
};
static_assert(sizeof(vellix_index) % alignof(vellix::IndexSlot) == 0, "the slots follow the record aligned");

namespace vellix {

// How many of its handle's entries an index covers (entries appended later are not in it).
inline std::size_t indexed_entries(const vellix_index *index) { return index->entries; }

// The plural rule the index parsed, when the header it parsed is `header` (the very pointer: the
// handle's header entry now); null when the handle's header has changed since, or differs.
inline const PluralRule *plural_rule_of(const vellix_index *index, const char *header) {
    return index->header == header ? index->rule : nullptr;
}

// The most slots a lookup of a key in the index steps through: how evenly the keys spread, which
// keys made to collide would spoil.
inline std::size_t longest_probe(const vellix_index *index) {
    std::size_t longest = 0;
    for (std::size_t slot = 0; slot <= index->mask; ++slot) {
        const IndexSlot &occupant = index->slots()[slot];
        if (occupant.entry_plus_one == 0) continue;
        const std::size_t home = key_hash_of(index->handle->index[occupant.entry_plus_one - 1], index->seed) & index->mask;
        longest = std::max(longest, ((slot - home) & index->mask) + 1);
    }
    return longest;
}

}  // namespace vellix

#endif
