// Writing a catalog file: the magic, the version, each entry's lengths and bytes, the count.
#ifndef VELLIX_CATALOG_WRITER_H
#define VELLIX_CATALOG_WRITER_H

#include "vellix.h"

#include <cstdio>

namespace vellix {

// Writes the handle's entries (up to the first null key or value) to `file` as a catalog, then
// flushes and closes `file` whatever happens. True when every write, the flush and the close
// succeeded.
bool write_catalog(const i18n *handle, std::FILE *file);

}  // namespace vellix

#endif
