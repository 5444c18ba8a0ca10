#include "loaded_catalog.h"

#include "index_layout.h"
#include "plural_rule.h"

#include <cstdlib>
#include <new>

namespace vellix {

LoadedCatalog *create_loaded_catalog() {
    void *memory = std::calloc(1, sizeof(LoadedCatalog));
    return memory ? new (memory) LoadedCatalog{} : nullptr;  // released with free(): nothing to destroy
}

i18n *finish_loading(LoadedCatalog *loaded, char *block, std::size_t entry_count, std::FILE *file) {
    loaded->block = block;
    loaded->loaded_entries = entry_count;
    loaded->record.fp = file;  // from here on the record is a loaded one
    return &loaded->record;
}

void release_unfinished(LoadedCatalog *loaded) {
    std::free(loaded->record.index);
    std::free(loaded->record.handles);
    std::free(loaded);
}

void release_loaded_catalog(LoadedCatalog *loaded) {
    i18n &record = loaded->record;
    std::fclose(record.fp);
    // The first entries live in the block; vellix_add may have appended others, each its own copy.
    if (record.handles) {
        for (char **value = record.handles + loaded->loaded_entries; *value; ++value) std::free(*value);
    }
    if (record.index) {
        for (char **key = record.index + loaded->loaded_entries; *key; ++key) std::free(*key);
    }
    std::free(record.handles);
    std::free(record.index);
    vellix_index_free(loaded->index.load());
    std::free(loaded->block);
    std::free(loaded);
}

vellix_index *index_of(LoadedCatalog &loaded) {
    vellix_index *index = loaded.index.load(std::memory_order_acquire);
    if (index) return index;
    vellix_index *built = vellix_index_build(&loaded.record);
    if (!built) return nullptr;
    if (loaded.index.compare_exchange_strong(index, built, std::memory_order_acq_rel)) return built;
    vellix_index_free(built);  // another thread's build won; `index` now holds it
    return index;
}

const char *look_up_loaded(LoadedCatalog &loaded, const char *key, std::size_t &walk_from) {
    walk_from = 0;
    const bool walk_first = loaded.index.load(std::memory_order_acquire) == nullptr &&
                            loaded.walks.fetch_add(1, std::memory_order_relaxed) < walks_before_index;
    const vellix_index *index = walk_first ? nullptr : index_of(loaded);
    if (!index) return nullptr;
    if (const char *value = vellix_index_get(index, key, nullptr)) return value;
    walk_from = indexed_entries(index);  // entries vellix_add appended come after the indexed ones
    return nullptr;
}

bool loaded_plural_form(const LoadedCatalog &loaded, const char *header, unsigned long n, unsigned long &form) {
    const vellix_index *index = loaded.index.load(std::memory_order_acquire);
    const PluralRule *parsed = index ? plural_rule_of(index, header) : nullptr;
    if (!parsed) return false;
    form = parsed->form(n);
    return true;
}

}  // namespace vellix
