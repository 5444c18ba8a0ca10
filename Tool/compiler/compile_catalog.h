// What vellmake does, as functions the tests can call.
#ifndef VELLIX_COMPILE_CATALOG_H
#define VELLIX_COMPILE_CATALOG_H

#include "catalog_table.h"
#include "catalog_writer.h"
#include "input_file.h"

namespace vellix {

// Prints "program: problem" to standard error and gives the failure status, 1.
int report(const char *program, const char *problem);

// Parses a catalog source into `entries`, warning on standard error about text that belongs to no
// key, as vellmake does. False when memory ran out.
bool collect_source_entries(const char *program, const char *source_path, const SourceFile &source,
                            CatalogEntries &entries);

// Puts the entries in a catalog, prints "N entries" and writes it to `output_path` whole or not at
// all; gives the exit status.
int write_compiled(const char *program, const char *output_path, CatalogEntries &entries);

// The same for `count` entries given one by one, without a handle.
int write_compiled(const char *program, const char *output_path, std::size_t count, const EntryAt &entry_at);

// Compiles the source at `source_path` into the catalog at `output_path`, printing the entry count
// and any message; gives the exit status. Refuses, before writing anything, a compiled catalog as
// the source and an output that is the source itself. The output is replaced whole or not at all.
int compile_catalog(const char *program, const char *output_path, const char *source_path);

}  // namespace vellix

#endif
