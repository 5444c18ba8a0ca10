// What `vellix where` prints for each path a search tried, in both of its forms.
#ifndef VELLIX_WHERE_VERDICTS_H
#define VELLIX_WHERE_VERDICTS_H

#include "catalog_reader.h"
#include "file_system.h"

#include <string>

namespace vellix {

// "  does not open" and why, when `kind` is not a regular file.
void print_open_verdict(PathKind kind);

// What a path names, opened for a moment to find out.
PathKind path_kind(const std::string &path);

// For a catalog path that does not open: a hint when the catalog (or a gettext .mo of the same
// name) sits in an LC_MESSAGES directory beside it instead, gettext's layout.
void print_layout_hint(const std::string &path);

// For a file that opened, "  opened: " and what loading it gave, with `after_refusal` after a refusal.
void print_load_verdict(const CatalogReport &report, const char *after_refusal);

}  // namespace vellix

#endif
