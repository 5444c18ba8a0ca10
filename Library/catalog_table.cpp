#include "catalog_table.h"

#include "i18nutil.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace vellix {
namespace {

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

i18n *create_handle() {
    return static_cast<i18n *>(std::calloc(1, sizeof(i18n)));
}

void release_handle(i18n *handle) {
    if (!handle) return;
    if (handle->handles) {
        for (char **value = handle->handles; *value; ++value) std::free(*value);
        std::free(handle->handles);
    }
    if (handle->index) {
        for (char **key = handle->index; *key; ++key) std::free(*key);
        std::free(handle->index);
    }
    std::free(handle);
}

const char *walk_entries(const i18n *handle, std::size_t first, const char *key) {
    // The first byte decides most comparisons without a call.
    const char head = key[0];
    char *const *const keys = handle->index;
    for (char *const *at = keys + first; *at; ++at) {
        if (**at == head && std::strcmp(*at, key) == 0) return handle->handles[at - keys];
    }
    return nullptr;
}

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
    for (std::size_t i = 0; i < size_; ++i) {
        std::free(keys_[i]);
        std::free(values_[i]);
    }
    std::free(keys_);
    std::free(values_);
}

bool CatalogEntries::grow() {
    const std::size_t slots = capacity_ < 64 ? 64 : capacity_ * 2;
    if (slots > SIZE_MAX / sizeof(char *)) return false;
    auto *keys = static_cast<char **>(std::realloc(keys_, slots * sizeof(char *)));
    if (!keys) return false;
    keys_ = keys;
    auto *values = static_cast<char **>(std::realloc(values_, slots * sizeof(char *)));
    if (!values) return false;
    values_ = values;
    capacity_ = slots;
    return true;
}

bool CatalogEntries::append(const char *key, std::size_t key_length, const char *value,
                            std::size_t value_length) {
    if (size_ + 1 >= capacity_ && !grow()) return false;
    MallocString key_copy{copy_bytes(key, key_length)};
    MallocString value_copy{copy_bytes(value, value_length)};
    if (!key_copy || !value_copy) return false;
    keys_[size_] = key_copy.release();
    values_[size_] = value_copy.release();
    ++size_;
    return true;
}

bool CatalogEntries::move_into(i18n *handle) {
    if (!handle) return false;
    if (size_ == 0) return true;
    const std::size_t entry_count = count_entries(handle);
    if (size_ > max_catalog_entries - entry_count) return false;
    if (!handle->index && !handle->handles) {
        // Trimming cannot fail in a way that matters: a failed shrink keeps the larger block.
        const std::size_t bytes = (size_ + 1) * sizeof(char *);
        if (auto *keys = static_cast<char **>(std::realloc(keys_, bytes))) keys_ = keys;
        if (auto *values = static_cast<char **>(std::realloc(values_, bytes))) values_ = values;
        keys_[size_] = nullptr;
        values_[size_] = nullptr;
        handle->index = keys_;
        handle->handles = values_;
    } else {
        if (!resize_arrays(handle, entry_count, entry_count + size_ + 1)) return false;
        std::memcpy(handle->index + entry_count, keys_, size_ * sizeof(char *));
        std::memcpy(handle->handles + entry_count, values_, size_ * sizeof(char *));
        handle->index[entry_count + size_] = nullptr;
        handle->handles[entry_count + size_] = nullptr;
        std::free(keys_);
        std::free(values_);
    }
    keys_ = values_ = nullptr;
    size_ = capacity_ = 0;
    return true;
}

}  // namespace vellix
