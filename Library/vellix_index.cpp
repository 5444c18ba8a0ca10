#include "vellix_index.h"

#include "catalog_format.h"
#include "catalog_table.h"
#include "index_layout.h"
#include "plural_rule.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>

namespace {

using vellix::IndexSlot;
using vellix::key_hash_of;

// The header entry's text by a walk: vellix_get on a loaded handle would ask for this very index.
const char *header_of(const i18n *handle) {
    if (!handle->index || !handle->handles) return nullptr;
    for (std::size_t i = 0; handle->index[i]; ++i) {
        if (handle->index[i][0] == '\0') return handle->handles[i];
    }
    return nullptr;
}

}  // namespace

extern "C" {

vellix_index *vellix_index_build(const i18n *handle) {
    if (!handle) return nullptr;
    const std::size_t entry_count = handle->handles ? vellix::count_entries(handle) : 0;
    if (entry_count > vellix::max_catalog_entries) return nullptr;  // positions must fit a slot
    // At most half full, so that a miss soon meets an empty slot.
    std::size_t slot_count = 2;
    while (slot_count < 2 * entry_count) slot_count *= 2;
    if (slot_count > (SIZE_MAX - sizeof(vellix_index)) / sizeof(IndexSlot)) return nullptr;
    const std::size_t bytes = sizeof(vellix_index) + slot_count * sizeof(IndexSlot);
    auto *index = static_cast<vellix_index *>(std::calloc(1, bytes));
    if (!index) return nullptr;
    index->handle = handle;
    index->entries = entry_count;
    index->mask = slot_count - 1;
    index->seed = vellix::hash_seed_for(index);
    try {
        index->header = header_of(handle);
        index->rule = new vellix::PluralRule(vellix::PluralRule::of_header(index->header));
    } catch (const std::bad_alloc &) {
        std::free(index);
        return nullptr;
    }

    // Slots land at random: the hashes of a batch of keys come first, and each one's slot is
    // fetched from memory while the others are placed, instead of one wait per key.
    constexpr std::size_t batch = 16;
    std::uint64_t hashes[batch];
    for (std::size_t entry = 0; entry < entry_count; ++entry) {
        if (entry % batch == 0) {
            for (std::size_t i = 0; i < batch && entry + i < entry_count; ++i) {
                hashes[i] = key_hash_of(handle->index[entry + i], index->seed);
#if defined(__GNUC__)
                __builtin_prefetch(&index->slots()[hashes[i] & index->mask]);
#endif
            }
        }
        const char *key = handle->index[entry];
        const std::uint64_t hash = hashes[entry % batch];
        const auto tag = static_cast<std::uint32_t>(hash >> 32);
        for (std::size_t slot = hash & index->mask;; slot = (slot + 1) & index->mask) {
            IndexSlot &candidate = index->slots()[slot];
            if (candidate.entry_plus_one == 0) {
                candidate = IndexSlot{tag, static_cast<std::uint32_t>(entry + 1)};
                break;
            }
            // A later duplicate is never found by vellix_get either: keep the first.
            if (candidate.hash_tag == tag && std::strcmp(handle->index[candidate.entry_plus_one - 1], key) == 0) break;
        }
    }
    return index;
}

const char *vellix_index_get(const vellix_index *index, const char *key, const char *fallback) {
    if (!index || !key) return fallback;
    const std::uint64_t hash = key_hash_of(key, index->seed);
    const auto tag = static_cast<std::uint32_t>(hash >> 32);
    char *const *keys = index->handle->index;
    for (std::size_t slot = hash & index->mask;; slot = (slot + 1) & index->mask) {
        const IndexSlot &candidate = index->slots()[slot];
        if (candidate.entry_plus_one == 0) return fallback;
        const std::size_t entry = candidate.entry_plus_one - 1;
        if (candidate.hash_tag == tag && std::strcmp(keys[entry], key) == 0) return index->handle->handles[entry];
    }
}

const char *vellix_index_nget(const vellix_index *index, const char *key, unsigned long n, const char *singular,
                              const char *plural) {
    const char *fallback = n == 1 ? singular : plural;
    if (!index || !key) return fallback;
    const unsigned long form = index->rule->form(n);
    if (form == 0) return vellix_index_get(index, key, fallback);
    try {
        return vellix_index_get(index, vellix::plural_form_key(key, form).c_str(), fallback);
    } catch (const std::bad_alloc &) {
        return fallback;
    }
}

void vellix_index_free(vellix_index *index) {
    if (!index) return;
    delete index->rule;
    std::free(index);
}

}  // extern "C"
