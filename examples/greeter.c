/* greeter: prints a few lines in the user's language from the catalog "greeter" and falls back to
   its built-in English for a missing catalog or a missing key. In the build tree NLSPATH names the
   catalog; installed, it is found beside the program, in share/locale/<language>/greeter.18c for the
   first of the user's languages (LANGUAGE, LC_ALL, LC_MESSAGES, LANG; on Windows the UI languages).
   Every text goes through vellix_printf, which shows UTF-8 in any Windows console and takes the
   numbered arguments (%2$s) that translations reorder words with; a text handed to it as a format
   is looked up with vellix_getf or vellix_ngetf, so that no translation can make it misread one. */
#include "vellix.h"

#include <locale.h>
#include <stdio.h>

int main(void) {
    i18n *catalog;

    /* Take the user's locale from the environment, so that %L in NLSPATH names it. */
    setlocale(LC_ALL, "");
    catalog = vellix_open("greeter");
    if (!catalog) catalog = vellix_open_dir("$ORIGIN/../share/locale", "greeter");
    if (!catalog) fprintf(stderr, "greeter: no catalog found, using the built-in texts\n");

    /* A null catalog gives every fallback, so no lookup needs a check of its own. */
    vellix_printf("%s\n", vellix_get(catalog, "greeting", "Hello, world!"));
    vellix_printf("%s\n", vellix_get(catalog, "question", "How are you today?"));
    vellix_printf("%s\n", vellix_get(catalog, "farewell", "Goodbye, and thanks for all the fish."));

    /* Which form a number takes is the language's rule, which the catalog carries. */
    {
        static const unsigned long counts[] = {1, 2, 5, 22, 25};
        size_t i;
        for (i = 0; i < sizeof counts / sizeof counts[0]; ++i) {
            vellix_printf(vellix_ngetf(catalog, "files", counts[i], "%lu file", "%lu files"), counts[i]);
            vellix_printf("\n");
        }
    }

    /* A translation may take the arguments in another order ("%2$lu KB ... %1$s"). */
    vellix_printf(vellix_getf(catalog, "saved", "%s: %lu KB saved"), "notes.txt", 12ul);
    vellix_printf("\n");

    vellix_free(catalog);
    return 0;
}
