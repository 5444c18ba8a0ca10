// Finding and loading a catalog: the NLSPATH templates, their expansion and the loader, as pieces
// that vellix_open puts together and that tests and tools can call one by one.
#ifndef VELLIX_CATALOG_SEARCH_H
#define VELLIX_CATALOG_SEARCH_H

#include "vellix.h"

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace vellix {

// The templates of an NLSPATH value, split at every ';' (before any expansion), empty ones included.
std::vector<std::string_view> split_search_path(std::string_view search_path);

// Expands one template: %N gives `name` followed by ".18c", %L gives `locale` (nothing when it is
// null), '%' followed by any other character gives that character, a trailing '%' gives nothing.
std::string expand_template(std::string_view pattern, std::string_view name, const char *locale);

enum class LoadVerdict { loaded, bad_magic, bad_version, damaged };

// Loads the catalog that `file` holds, reading from its start. On `loaded`, `*handle` is a new
// handle that owns `file`; otherwise `file` is closed and `*handle` is null.
LoadVerdict load_catalog(std::FILE *file, i18n **handle);

// The size of an open file, found by seeking to its end: 64 bits on every platform.
bool query_stream_size(std::FILE *file, std::uint64_t &size);

}  // namespace vellix

#endif
