// What vellmake does, as functions the tests can call.
#ifndef VELLIX_COMPILE_CATALOG_H
#define VELLIX_COMPILE_CATALOG_H

#include "source_file.h"

#include <cstddef>

namespace vellix {

// Prints "program: problem" to standard error and gives the failure status, 1.
int report(const char *program, const char *problem);

// Whether the bytes begin with the magic of a compiled catalog, which no useful source does.
bool starts_with_catalog_magic(const char *bytes, std::size_t size);

// Compiles the source at `source_path` into the catalog at `output_path`, printing the entry count
// and any message; gives the exit status. Refuses, before writing anything, a compiled catalog as
// the source and an output that is the source itself. The output is replaced whole or not at all.
int compile_catalog(const char *program, const char *output_path, const char *source_path);

}  // namespace vellix

#endif
