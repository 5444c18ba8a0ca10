#include "vellix.h"

#include "catalog_format.h"
#include "catalog_table.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

const char *const vellixVersion = "1.5B";

namespace {

// Writes pieces to a stream and remembers whether every one of them went through.
struct CatalogWriter {
    FILE *file;
    bool ok = true;

    void put(const void *bytes, std::size_t size) {
        if (ok && size != 0 && std::fwrite(bytes, 1, size, file) != size) ok = false;
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
};

constexpr std::size_t write_buffer_size = 64 * 1024;

}  // namespace

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
    // A failed setvbuf leaves the stream's own buffering, which writes the same bytes.
    std::setvbuf(file, nullptr, _IOFBF, write_buffer_size);

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

    if (std::fflush(file) != 0) out.ok = false;
    if (std::fclose(file) != 0) out.ok = false;
    return out.ok ? 0 : -1;
}
