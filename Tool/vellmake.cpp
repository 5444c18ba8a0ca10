// vellmake OUTPUT SOURCE: compiles a catalog source into a catalog file.
#include "compile_catalog.h"

int main(int argc, char **argv) {
    const char *program = argc > 0 && argv[0] ? argv[0] : "vellmake";
    if (argc < 3) return vellix::report(program, "not enough arguments");
    return vellix::compile_catalog(program, argv[1], argv[2]);  // any further arguments are ignored
}
