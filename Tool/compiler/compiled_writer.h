// Writing what a compile gives: "N entries" on standard output, then the catalog, replacing its
// output whole or not at all. vellmake and `vellix compile` both end here.
#ifndef VELLIX_COMPILED_WRITER_H
#define VELLIX_COMPILED_WRITER_H

#include "catalog_table.h"
#include "catalog_writer.h"

#include <cstddef>

namespace vellix {

// vellmake's message for a source it cannot read or an output it cannot write.
extern const char could_not_open[];

// Prints "program: problem" to standard error and gives the failure status, 1.
int report(const char *program, const char *problem);

// What is said of an output that cannot be written: vellmake's fixed could_not_open, or
// "program: OUTPUT: cannot write: REASON".
enum class Unwritten { fixed_message, reason };

// Puts the entries in a catalog, prints "N entries" and writes it to `output_path` whole or not at
// all; gives the exit status.
int write_compiled(const char *program, const char *output_path, CatalogEntries &entries, Unwritten unwritten);

// The same for `count` entries given one by one, without a handle.
int write_compiled(const char *program, const char *output_path, std::size_t count, const EntryAt &entry_at,
                   Unwritten unwritten);

}  // namespace vellix

#endif
