// Internal operations on a handle: its creation and release, and its entry arrays; shared by the
// public operations, the loader and the tools.
#ifndef VELLIX_CATALOG_TABLE_H
#define VELLIX_CATALOG_TABLE_H

#include "vellix.h"

#include <cstddef>
#include <cstdlib>
#include <memory>

namespace vellix {

// Holds a malloc block until it is released or handed over.
struct FreeDeleter {
    void operator()(void *block) const { std::free(block); }
};
using MallocString = std::unique_ptr<char, FreeDeleter>;

// Entry positions are signed 32-bit numbers and an append sizes its arrays as entries + 2 in that
// width, so this is the most entries a handle may hold.
constexpr std::size_t max_catalog_entries = 2147483646;

// A new handle without entries and without a file, or null when memory is exhausted.
i18n *create_handle();

// Releases every string, both arrays and the record of a handle that create_handle made (a loaded
// one goes to release_loaded_catalog). Null does nothing.
void release_handle(i18n *handle);

// The number of entries, found by walking the key array to its null slot.
std::size_t count_entries(const i18n *handle);

// The value of the first entry from `first` on whose key equals `key`, or null.
const char *walk_entries(const i18n *handle, std::size_t first, const char *key);

// vellix_add with the capacity as a parameter, so that the limit can be exercised in tests.
// Returns false and leaves the handle's entries unchanged when nothing was added.
bool append_entry(i18n *handle, const char *key, const char *value, std::size_t max_entries);

// Entries collected before they go into a handle all at once, in arrays that grow geometrically
// so that collecting N entries is linear. Owns its strings until move_into hands them over;
// whatever it still owns it releases.
class CatalogEntries {
public:
    CatalogEntries() = default;
    CatalogEntries(const CatalogEntries &) = delete;
    CatalogEntries &operator=(const CatalogEntries &) = delete;
    ~CatalogEntries();

    // Copies the bytes of a key and a value (neither holding NUL). False when memory is exhausted.
    bool append(const char *key, std::size_t key_length, const char *value, std::size_t value_length);
    std::size_t size() const { return size_; }

    // Appends every entry to the handle, whose arrays end up with exactly one slot per entry plus
    // the null slot. A handle without arrays takes this list's arrays, trimmed; otherwise its
    // arrays grow once. False (handle and this list unchanged) when the handle is null, the result
    // would exceed max_catalog_entries, or memory is exhausted.
    bool move_into(i18n *handle);

private:
    bool grow();

    char **keys_ = nullptr;
    char **values_ = nullptr;
    std::size_t size_ = 0;
    std::size_t capacity_ = 0;  // slots in each array, one of them kept for the null slot
};

}  // namespace vellix

#endif
