#include "vellix.h"

#include "catalog_format.h"
#include "catalog_search.h"
#include "catalog_table.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <string_view>

const char *const vellixVersion = "1.5B";

namespace {

// Writes pieces to a stream through a block of its own, so that small pieces cost a copy rather
// than a stream call each, and remembers whether every byte went through.
class CatalogWriter {
public:
    explicit CatalogWriter(FILE *file) : file_(file), block_(new (std::nothrow) unsigned char[block_size]) {
        if (!block_) ok_ = false;
    }
    CatalogWriter(const CatalogWriter &) = delete;
    CatalogWriter &operator=(const CatalogWriter &) = delete;

    void put(const void *bytes, std::size_t size) {
        if (!ok_ || size == 0) return;
        if (size > block_size - used_) {
            flush_block();
            if (size >= block_size) {
                write_through(bytes, size);
                return;
            }
        }
        std::memcpy(block_.get() + used_, bytes, size);
        used_ += size;
    }
    void put_length(std::uint64_t length) {
        unsigned char bytes[vellix::length_field_size];
        vellix::encode_length(length, bytes);
        put(bytes, sizeof bytes);
    }
    void put_string(const char *text) {
        const std::size_t length = std::strlen(text);
        put_length(length);
        put(text, length);
    }
    // Flushes and closes the stream; true when every write, the flush and the close succeeded.
    bool close() {
        flush_block();
        if (std::fflush(file_) != 0) ok_ = false;
        if (std::fclose(file_) != 0) ok_ = false;
        return ok_;
    }

private:
    static constexpr std::size_t block_size = 64 * 1024;

    void flush_block() {
        if (ok_ && used_ != 0) write_through(block_.get(), used_);
        used_ = 0;
    }
    void write_through(const void *bytes, std::size_t size) {
        if (std::fwrite(bytes, 1, size, file_) != size) ok_ = false;
    }

    FILE *file_;
    std::unique_ptr<unsigned char[]> block_;
    std::size_t used_ = 0;
    bool ok_ = true;
};

}  // namespace

i18n *vellix_open(const char *name) {
    if (!name) return nullptr;
    try {
        return vellix::search_catalog(name, nullptr);
    } catch (const std::bad_alloc &) {
        // Out of memory before any file was opened: nothing to release.
    }
    return nullptr;
}

i18n *vellix_empty(void) {
    return static_cast<i18n *>(std::calloc(1, sizeof(i18n)));
}

void vellix_add(i18n *i18n, const char *key, const char *value) {
    vellix::append_entry(i18n, key, value, vellix::max_catalog_entries);
}

const char *vellix_get(const i18n *i18n, const char *key, const char *fallback) {
    if (!i18n || !i18n->handles || !i18n->index || !key) return fallback;
    char *const *keys = i18n->index;
    for (std::size_t i = 0; keys[i]; ++i) {
        if (std::strcmp(keys[i], key) == 0) return i18n->handles[i];
    }
    return fallback;
}

char **vellix_getkeys(const i18n *i18n) {
    return i18n ? i18n->index : nullptr;
}

void vellix_free(i18n *i18n) {
    if (!i18n) return;
    if (i18n->fp) std::fclose(i18n->fp);
    if (i18n->handles) {
        for (char **value = i18n->handles; *value; ++value) std::free(*value);
        std::free(i18n->handles);
    }
    if (i18n->index) {
        for (char **key = i18n->index; *key; ++key) std::free(*key);
        std::free(i18n->index);
    }
    std::free(i18n);
}

int vellix_write(const i18n *i18n, const char *path) {
    if (!i18n || !path) return -1;
    FILE *file = std::fopen(path, "wb");
    if (!file) return -1;

    CatalogWriter out{file};
    out.put(vellix::catalog_magic, sizeof vellix::catalog_magic);
    out.put(vellix::catalog_version, sizeof vellix::catalog_version);
    std::uint64_t entry_count = 0;
    if (i18n->index && i18n->handles) {
        for (; i18n->index[entry_count] && i18n->handles[entry_count]; ++entry_count) {
            out.put_string(i18n->index[entry_count]);
            out.put_string(i18n->handles[entry_count]);
        }
    }
    out.put_length(entry_count);
    return out.close() ? 0 : -1;
}
