// Writing what a compile gives: the catalog, replacing its output whole or not at all, and the count
// of entries on standard output. vellmake and `vellix compile` both end here.
#ifndef VELLIX_COMPILED_WRITER_H
#define VELLIX_COMPILED_WRITER_H

#include "catalog_table.h"
#include "catalog_writer.h"

#include <cstddef>
#include <functional>
#include <optional>

namespace vellix {

// vellmake's message for a source it cannot read or an output it cannot write.
extern const char could_not_open[];

// Prints "program: problem" to standard error and gives the failure status, 1.
int report(const char *program, const char *problem);

// What is said: vellmake's fixed lines ("N entries" before writing, could_not_open when it fails),
// or `vellix compile`'s ("N entries", "1 entry", once the catalog is written; "program: cannot
// write OUTPUT: REASON" when it is not).
enum class CompileVoice { vellmake, vellix };

// Puts the entries in a catalog and writes it to `output_path` whole or not at all, saying so in
// `voice`; gives the exit status.
int write_compiled(const char *program, const char *output_path, CatalogEntries &entries, CompileVoice voice);

// The same for `count` entries given one by one, without a handle.
int write_compiled(const char *program, const char *output_path, std::size_t count, const EntryAt &entry_at,
                   CompileVoice voice);

// For `vellix compile`: the catalog at `output_path` from entries that `produce` gives to the stream
// one at a time, written straight into a temporary file beside the output, so that they are never
// held in memory; what is said is what write_compiled says in `vellix compile`'s voice. `produce`
// gives 0 for a catalog to write, or the status to end with, writing nothing. Where no temporary
// file can be made (an output that is a device or a FIFO, a directory that takes no new file),
// `produce` is not called and the result is empty: the caller then collects the entries and calls
// write_compiled. An exception from `produce` leaves nothing behind and goes on to the caller.
std::optional<int> write_compiled_streamed(const char *program, const char *output_path,
                                           const std::function<int(CatalogStream &)> &produce);

}  // namespace vellix

#endif
