/* The package's headers as <vellix/...>; the pkg-config consumer includes them as "vellix.h". */
#include <vellix/vellix.h>
#include <vellix/vellix_index.h>

#include <stdio.h>

int main(void) {
    i18n *catalog = vellix_open("consumer");
    vellix_index *index = vellix_index_build(catalog);
    printf("%s\n", vellix_index_get(index, "greeting", "Hello from the package"));
    vellix_index_free(index);
    vellix_free(catalog);
    return catalog ? 0 : 1;
}
