// vellmake's driver: a catalog source read, parsed and written as a catalog, as functions the tests
// (and `vellix compile`, for a source) can call.
#ifndef VELLIX_COMPILE_CATALOG_H
#define VELLIX_COMPILE_CATALOG_H

#include "catalog_table.h"
#include "compiled_writer.h"
#include "input_file.h"

namespace vellix {

// Parses a catalog source into `entries`, warning on standard error about text that belongs to no
// key, as vellmake does. False when memory ran out.
bool collect_source_entries(const char *program, const char *source_path, const SourceFile &source,
                            CatalogEntries &entries);

// Compiles the source at `source_path` into the catalog at `output_path`, printing the entry count
// and any message; gives the exit status. Refuses, before writing anything, a compiled catalog as
// the source and an output that is the source itself. The output is replaced whole or not at all.
int compile_catalog(const char *program, const char *output_path, const char *source_path);

}  // namespace vellix

#endif
