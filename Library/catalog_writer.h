// Writing a catalog file: the magic, the version, each entry's lengths and bytes, the count.
#ifndef VELLIX_CATALOG_WRITER_H
#define VELLIX_CATALOG_WRITER_H

#include "vellix.h"

#include <cstddef>
#include <cstdio>
#include <functional>
#include <string_view>
#include <utility>

namespace vellix {

// Gives entry `index` (from 0) as its key and value bytes.
using EntryAt = std::function<std::pair<std::string_view, std::string_view>(std::size_t index)>;

// Writes `count` entries to `file` as a catalog, then flushes and closes `file` whatever happens.
// True when every write, the flush and the close succeeded.
bool write_catalog_entries(std::size_t count, const EntryAt &entry_at, std::FILE *file);

// The same for the handle's entries, up to the first null key or value.
bool write_catalog(const i18n *handle, std::FILE *file);

}  // namespace vellix

#endif
