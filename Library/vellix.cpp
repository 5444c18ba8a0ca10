// The public operations on a handle; each forwards to the part of the library that does the work.
#include "vellix.h"

#include "catalog_reader.h"
#include "catalog_search.h"
#include "directory_search.h"
#include "catalog_table.h"
#include "catalog_writer.h"
#include "file_system.h"
#include "loaded_catalog.h"
#include "catalog_format.h"
#include "plural_rule.h"

#include <cstdio>
#include <cstring>
#include <new>

const char *const vellixVersion = "1.5B";

i18n *vellix_open(const char *name) {
    if (!name) return nullptr;
    try {
        return vellix::search_catalog(name, nullptr);
    } catch (const std::bad_alloc &) {
        // Out of memory before any file was opened: nothing to release.
    }
    return nullptr;
}

i18n *vellix_load(const char *path) {
    if (!path) return nullptr;
    try {
        vellix::PathKind kind = vellix::PathKind::missing;
        std::FILE *file = vellix::open_regular_file(vellix::as_utf8(path).c_str(), kind);
        if (!file) return nullptr;
        i18n *handle = nullptr;
        vellix::load_catalog(file, &handle);
        return handle;
    } catch (const std::bad_alloc &) {
        // Out of memory before the file was opened (the loader itself reports it as damage).
    }
    return nullptr;
}

i18n *vellix_open_dir(const char *directory, const char *name) {
    if (!directory || !name) return nullptr;
    try {
        return vellix::search_directory(directory, name, nullptr);
    } catch (const std::bad_alloc &) {
        // Out of memory between files: none is open.
    }
    return nullptr;
}

i18n *vellix_empty(void) {
    return vellix::create_handle();
}

void vellix_add(i18n *i18n, const char *key, const char *value) {
    vellix::append_entry(i18n, key, value, vellix::max_catalog_entries);
}

const char *vellix_get(const i18n *i18n, const char *key, const char *fallback) {
    if (!i18n || !i18n->handles || !i18n->index || !key) return fallback;
    std::size_t walk_from = 0;
    if (vellix::LoadedCatalog *loaded = vellix::loaded_catalog_of(i18n)) {
        if (const char *value = vellix::look_up_loaded(*loaded, key, walk_from)) return value;
    }
    const char *value = vellix::walk_entries(i18n, walk_from, key);
    return value ? value : fallback;
}

const char *vellix_nget(const i18n *i18n, const char *key, unsigned long n, const char *singular, const char *plural) {
    const char *fallback = n == 1 ? singular : plural;
    if (!i18n || !key) return fallback;
    try {
        // A loaded handle's index has parsed the rule once; parsed again only when the header differs.
        const char *header = vellix_get(i18n, "", nullptr);
        const vellix::LoadedCatalog *loaded = vellix::loaded_catalog_of(i18n);
        unsigned long form = 0;
        if (!loaded || !vellix::loaded_plural_form(*loaded, header, n, form)) form = vellix::PluralRule::of_header(header).form(n);
        if (form == 0) return vellix_get(i18n, key, fallback);
        return vellix_get(i18n, vellix::plural_form_key(key, form).c_str(), fallback);
    } catch (const std::bad_alloc &) {
        return fallback;  // no memory to evaluate the rule: as if the catalog had no translation
    }
}

char **vellix_getkeys(const i18n *i18n) {
    return i18n ? i18n->index : nullptr;
}

void vellix_free(i18n *i18n) {
    if (vellix::LoadedCatalog *loaded = vellix::loaded_catalog_of(i18n)) return vellix::release_loaded_catalog(loaded);
    vellix::release_handle(i18n);
}

int vellix_write(const i18n *i18n, const char *path) {
    if (!i18n || !path) return -1;
    std::FILE *file = vellix::open_file(path, "wb");
    if (!file) return -1;
    return vellix::write_catalog(i18n, file) ? 0 : -1;
}
