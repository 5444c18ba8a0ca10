// A handle made by the loader: the public record, then what only the loader's handles have: the
// file's bytes in one block, every key and value a string terminated in place inside it, and an
// index for lookups. A record says it is one of these by its file (`fp`), which only the loader sets;
// a record with a null `fp` is never read past its three public fields. Its whole life is here:
// creation, release, the lazy index and the lookup policy.
#ifndef VELLIX_LOADED_CATALOG_H
#define VELLIX_LOADED_CATALOG_H

#include "vellix.h"
#include "vellix_index.h"

#include <atomic>
#include <cstddef>
#include <cstdio>

namespace vellix {

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

// A new loaded catalog without entries, block or file (so not yet one by its record), or null when
// memory is exhausted. Released with release_unfinished until finish_loading succeeds.
LoadedCatalog *create_loaded_catalog();

// Makes the catalog a loaded one: its block, how many entries point into it, and its open file.
i18n *finish_loading(LoadedCatalog *loaded, char *block, std::size_t entry_count, std::FILE *file);

// Releases a catalog that finish_loading never finished: its arrays and the record.
void release_unfinished(LoadedCatalog *loaded);

// Closes the file and releases everything: the strings vellix_add appended after the loaded ones,
// both arrays, the index, the block and the record.
void release_loaded_catalog(LoadedCatalog *loaded);

// The loader's part of a handle, or null for any other record.
inline LoadedCatalog *loaded_catalog_of(const i18n *handle) {
    return handle && handle->fp ? reinterpret_cast<LoadedCatalog *>(const_cast<i18n *>(handle)) : nullptr;
}

// The catalog's index, built now if no lookup has built it yet; null when memory runs out. Safe
// when several threads look up at once: one build wins, the others are released.
vellix_index *index_of(LoadedCatalog &loaded);

// The lookup policy: after a few walks, the index answers for the loaded entries. Gives the value,
// or null with `walk_from` set to the first entry the caller must still walk (0 before the index
// exists; after the loaded entries once it does).
const char *look_up_loaded(LoadedCatalog &loaded, const char *key, std::size_t &walk_from);

// The plural form of `n` by the rule the index parsed, when the index parsed `header` (the very
// pointer); false when there is no such index and the caller must parse the rule itself.
bool loaded_plural_form(const LoadedCatalog &loaded, const char *header, unsigned long n, unsigned long &form);

}  // namespace vellix

#endif
