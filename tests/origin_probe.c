/* Prints the value of "which" in the catalog that vellix_open_dir(argv[1], argv[2]) finds, or
   "(none)": the tests copy this program elsewhere to see what "$ORIGIN" stands for. */
#include "vellix.h"

#include <stdio.h>

int main(int argc, char **argv) {
    i18n *catalog;
    if (argc != 3) return 2;
    catalog = vellix_open_dir(argv[1], argv[2]);
    printf("%s\n", catalog ? vellix_get(catalog, "which", "(no such key)") : "(none)");
    vellix_free(catalog);
    return 0;
}
