// What `vellix where` prints for each path a search tried, in both of its forms.
#ifndef VELLIX_WHERE_VERDICTS_H
#define VELLIX_WHERE_VERDICTS_H

#include "catalog_reader.h"
#include "file_system.h"

namespace vellix {

// "  does not open" and why, when `kind` is not a regular file.
void print_open_verdict(PathKind kind);

// For a file that opened, "  opened: " and what loading it gave, with `after_refusal` after a refusal.
void print_load_verdict(const CatalogReport &report, const char *after_refusal);

}  // namespace vellix

#endif
