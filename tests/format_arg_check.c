/* Compiled, not run: the lookups are format arguments, so -Wformat checks the arguments of
   printf(vellix_get(...), ...) against the fallback literal. Each FORMAT_CASE_* is one compile;
   the mismatches must draw the compiler's format error, the match none. */
#include "vellix.h"
#include "vellix_index.h"

#include <stdio.h>

void show(const i18n *catalog, const vellix_index *index, unsigned long n) {
#if defined(FORMAT_CASE_match)
    printf(vellix_get(catalog, "files", "%d files\n"), 3);
    printf(vellix_nget(catalog, "files", n, "one file\n", "%lu files\n"), n);
    printf(vellix_index_get(index, "name", "%s\n"), "name");
    printf(vellix_index_nget(index, "files", n, "%lu file\n", "%lu files\n"), n);
    printf(vellix_get(catalog, "plain", "no conversion\n"));
    vellix_printf(vellix_getf(catalog, "saved", "%s: %lu KB\n"), "notes", n);
    vellix_printf(vellix_ngetf(catalog, "files", n, "one file\n", "%lu files\n"), n);
    vellix_fprintf(stderr, "%2$s %1$d\n", 3, "files");
#elif defined(FORMAT_CASE_mismatch_getf)
    vellix_printf(vellix_getf(catalog, "saved", "%s: %lu KB\n"), n, "notes");
    (void)index;
#elif defined(FORMAT_CASE_mismatch_snprintf)
    char buffer[32];
    vellix_snprintf(buffer, sizeof buffer, "%lu files", "three");
    (void)index;
    (void)catalog;
#elif defined(FORMAT_CASE_mismatch_get)
    printf(vellix_get(catalog, "files", "%d files\n"), "three");
    (void)index;
#elif defined(FORMAT_CASE_mismatch_nget)
    printf(vellix_nget(catalog, "files", n, "one file\n", "%s files\n"), n);
    (void)index;
#elif defined(FORMAT_CASE_mismatch_index)
    printf(vellix_index_get(index, "files", "%lu files\n"), "three");
    (void)catalog;
#endif
    (void)n;
}
