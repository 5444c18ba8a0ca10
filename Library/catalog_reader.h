// Reading a catalog file: the header check, the trailing count and the entries, through a reader
// that never hands out a byte past the count. Loads into a handle or hands entries to a visitor.
#ifndef VELLIX_CATALOG_READER_H
#define VELLIX_CATALOG_READER_H

#include "vellix.h"

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

namespace vellix {

enum class LoadVerdict { loaded, bad_magic, bad_version, damaged };

// What reading a catalog found. `problem` says what is wrong when the verdict is not `loaded`.
struct CatalogReport {
    LoadVerdict verdict = LoadVerdict::damaged;
    std::string problem;
    std::uint64_t count = 0;         // the stored entry count, once it was read
    std::uint64_t unused_bytes = 0;  // bytes after the last counted entry, which no reader uses
};

// Loads the catalog that `file` holds, reading from its start. `file` is freshly opened, nothing
// read from it yet: the loader makes it unbuffered. On `loaded`, `*handle` is a new handle that
// owns `file`; otherwise `file` is closed and `*handle` is null. A non-null `report` receives the
// details.
LoadVerdict load_catalog(std::FILE *file, i18n **handle, CatalogReport *report = nullptr);

// Receives a catalog's entries as they are stored, NUL bytes included, in file order.
class CatalogVisitor {
public:
    virtual ~CatalogVisitor() = default;
    virtual void entry(std::uint64_t index, std::string_view key, std::string_view value) = 0;
};

// Reads the catalog that `file` (freshly opened, as for load_catalog) holds from its start, handing
// each entry to `visitor` as it is read (a damaged catalog may have handed out some). Leaves `file`
// open.
CatalogReport read_catalog(std::FILE *file, CatalogVisitor &visitor);

// The size of an open file, found by seeking to its end: 64 bits on every platform.
bool query_stream_size(std::FILE *file, std::uint64_t &size);

}  // namespace vellix

#endif
