/* The public headers used from plain C: builds a catalog, looks it up and writes it. */
#include "i18nutil.h"
#include "vellix.h"
#include "vellix_index.h"

#include <stdlib.h>
#include <string.h>

static int failures = 0;

static void check(int condition, const char *what) {
    if (!condition) {
        fprintf(stderr, "c_consumer: failed: %s\n", what);
        ++failures;
    }
}

int main(int argc, char **argv) {
    const char *fallback = "fallback";
    i18n *catalog = vellix_empty();
    char *joined = __vellix_concat3("wel", "co", "me");
    char **keys;
    vellix_index *index;

    check(catalog != NULL && catalog->fp == NULL, "a fresh handle");
    check(strcmp(vellixVersion, "1.5B") == 0, "the version string");
    vellix_add(catalog, "greeting", joined);
    free(joined);
    check(strcmp(vellix_get(catalog, "greeting", fallback), "welcome") == 0, "a lookup");
    check(vellix_get(catalog, "absent", fallback) == fallback, "the fallback");
    keys = vellix_getkeys(catalog);
    check(keys != NULL && strcmp(keys[0], "greeting") == 0 && keys[1] == NULL, "the key list");
    vellix_add(catalog, "files", "eine Datei");
    vellix_add(catalog, "files\n#1", "%lu Dateien");
    check(strcmp(vellix_nget(catalog, "files", 1ul, "one", "many"), "eine Datei") == 0, "the singular form");
    check(strcmp(vellix_nget(catalog, "files", 5ul, "one", "many"), "%lu Dateien") == 0, "the plural form");
    check(strcmp(vellix_nget(catalog, "absent", 2ul, "one", "many"), "many") == 0, "the plural fallback");
    index = vellix_index_build(catalog);
    check(vellix_index_nget(index, "files", 5ul, "one", "many") == vellix_nget(catalog, "files", 5ul, "one", "many"),
          "an indexed plural lookup");
    check(index != NULL, "building the index");
    check(vellix_index_get(index, "greeting", fallback) == vellix_get(catalog, "greeting", fallback), "an indexed lookup");
    check(vellix_index_get(index, "absent", fallback) == fallback, "the indexed fallback");
    vellix_index_free(index);
    if (argc > 1) check(vellix_write(catalog, argv[1]) == 0, "writing the catalog");
    vellix_free(catalog);
    return failures == 0 ? 0 : 1;
}
