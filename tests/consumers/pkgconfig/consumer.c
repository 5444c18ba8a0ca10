/* Built outside the vellix tree with: cc consumer.c $(pkg-config --cflags --libs --static vellix) */
#include "i18nutil.h"
#include "vellix.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

int main(int argc, char **argv) {
    i18n *catalog = vellix_empty();
    char *value = __vellix_concat("from ", "pkg-config");
    int ok;

    vellix_add(catalog, "greeting", value);
    free(value);
    ok = argc > 1 && vellix_write(catalog, argv[1]) == 0;
    printf("%s %s\n", vellix_get(catalog, "greeting", "?"), vellixVersion);
    vellix_free(catalog);
    return ok && strcmp(vellixVersion, "1.5B") == 0 ? 0 : 1;
}
