#include "catalog_table.h"

#include "i18nutil.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace vellix {
namespace {

struct FreeDeleter {
    void operator()(void *block) const { std::free(block); }
};
using MallocString = std::unique_ptr<char, FreeDeleter>;

char *copy_bytes(const char *bytes, std::size_t length) {
    char *copy = static_cast<char *>(std::malloc(length + 1));
    if (!copy) return nullptr;
    if (length) std::memcpy(copy, bytes, length);
    copy[length] = '\0';
    return copy;
}

// Gives both arrays exactly `slots` slots, keeping the first `entry_count` pointers and a null
// after them. If memory runs out the handle still walks as `entry_count` entries.
bool resize_arrays(i18n *handle, std::size_t entry_count, std::size_t slots) {
    if (slots > SIZE_MAX / sizeof(char *)) return false;
    auto *index = static_cast<char **>(std::realloc(handle->index, slots * sizeof(char *)));
    if (!index) return false;
    handle->index = index;
    index[entry_count] = nullptr;
    auto *handles = static_cast<char **>(std::realloc(handle->handles, slots * sizeof(char *)));
    if (!handles) return false;
    handle->handles = handles;
    handles[entry_count] = nullptr;
    return true;
}

}  // namespace

std::size_t count_entries(const i18n *handle) {
    if (!handle || !handle->index) return 0;
    std::size_t entry_count = 0;
    while (handle->index[entry_count]) ++entry_count;
    return entry_count;
}

bool append_entry(i18n *handle, const char *key, const char *value, std::size_t max_entries) {
    if (!handle || !key || !value) return false;
    const std::size_t entry_count = count_entries(handle);
    if (entry_count >= max_entries) return false;
    MallocString key_copy{__vellix_strdup(key)};
    MallocString value_copy{__vellix_strdup(value)};
    if (!key_copy || !value_copy) return false;
    if (!resize_arrays(handle, entry_count, entry_count + 2)) return false;
    handle->index[entry_count] = key_copy.release();
    handle->index[entry_count + 1] = nullptr;
    handle->handles[entry_count] = value_copy.release();
    handle->handles[entry_count + 1] = nullptr;
    return true;
}

CatalogEntries::~CatalogEntries() {
    for (char *key : keys_) std::free(key);
    for (char *value : values_) std::free(value);
}

bool CatalogEntries::append(const char *key, std::size_t key_length, const char *value,
                            std::size_t value_length) {
    MallocString key_copy{copy_bytes(key, key_length)};
    MallocString value_copy{copy_bytes(value, value_length)};
    if (!key_copy || !value_copy) return false;
    keys_.push_back(key_copy.release());
    values_.push_back(value_copy.release());
    return true;
}

bool CatalogEntries::move_into(i18n *handle) {
    if (!handle) return false;
    const std::size_t entry_count = count_entries(handle);
    const std::size_t added = keys_.size();
    if (added == 0) return true;
    if (added > max_catalog_entries - entry_count) return false;
    if (!resize_arrays(handle, entry_count, entry_count + added + 1)) return false;
    std::memcpy(handle->index + entry_count, keys_.data(), added * sizeof(char *));
    std::memcpy(handle->handles + entry_count, values_.data(), added * sizeof(char *));
    handle->index[entry_count + added] = nullptr;
    handle->handles[entry_count + added] = nullptr;
    keys_.clear();
    values_.clear();
    return true;
}

}  // namespace vellix
