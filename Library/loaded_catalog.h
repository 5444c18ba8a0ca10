// A handle made by the loader: the public record, then what only the loader's handles have: the
// file's bytes in one block, every key and value a string terminated in place inside it, and an
// index for lookups. A record says it is one of these by its file (`fp`), which only the loader sets;
// a record with a null `fp` is never read past its three public fields.
#ifndef VELLIX_LOADED_CATALOG_H
#define VELLIX_LOADED_CATALOG_H

#include "vellix.h"
#include "vellix_index.h"

#include <atomic>
#include <cstddef>

namespace vellix {

class PluralRule;

struct LoadedCatalog {
    i18n record;  // first, so that a pointer to the record is a pointer to this
    char *block;  // the file from its entries on; malloc memory
    std::size_t loaded_entries;  // entries [0, loaded_entries) point into the block
    // Over the loaded entries, built by the first lookup; null until then, or when memory ran out
    // (lookups then walk). Atomic, since lookups may run in several threads at once.
    std::atomic<vellix_index *> index;
    // Lookups that walked: the index costs about ten walks to build, so it is built once a few
    // lookups have shown that the program looks up more than once or twice.
    std::atomic<unsigned> walks;
};

// Walks before the first lookup builds the index.
constexpr unsigned walks_before_index = 8;

// The catalog's index, built now if no lookup has built it yet; null when memory runs out. Safe
// when several threads look up at once: one build wins, the others are released.
vellix_index *index_of(LoadedCatalog &loaded);

// The loader's part of a handle, or null for any other record.
inline LoadedCatalog *loaded_catalog_of(const i18n *handle) {
    return handle && handle->fp ? reinterpret_cast<LoadedCatalog *>(const_cast<i18n *>(handle)) : nullptr;
}

// How many of its handle's entries an index covers (entries appended later are not in it).
std::size_t indexed_entries(const vellix_index *index);

// The plural rule the index parsed, when the header it parsed is `header` (the very pointer: the
// handle's header entry now); null when the handle's header has changed since, or differs.
const PluralRule *plural_rule_of(const vellix_index *index, const char *header);

// The most slots a lookup of a key in the index steps through: how evenly the keys spread, which
// keys made to collide would spoil.
std::size_t longest_probe(const vellix_index *index);

}  // namespace vellix

#endif
