// vellix COMMAND ...: checks catalog sources and inspects compiled catalogs.
#include "vellix_commands.h"

#include <cstdio>
#include <new>

int main(int argc, char **argv) {
    try {
        return vellix::run_vellix(argc, argv);
    } catch (const std::bad_alloc &) {
        std::fprintf(stderr, "%s: out of memory\n", argc > 0 && argv[0] ? argv[0] : "vellix");
        return vellix::status_trouble;
    }
}
