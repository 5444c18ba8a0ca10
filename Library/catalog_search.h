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

// What reading a catalog found. `problem` says what is wrong when the verdict is not `loaded`.
struct CatalogReport {
    LoadVerdict verdict = LoadVerdict::damaged;
    std::string problem;
    std::uint64_t count = 0;         // the stored entry count, once it was read
    std::uint64_t unused_bytes = 0;  // bytes after the last counted entry, which no reader uses
};

// Loads the catalog that `file` holds, reading from its start. On `loaded`, `*handle` is a new
// handle that owns `file`; otherwise `file` is closed and `*handle` is null. A non-null `report`
// receives the details.
LoadVerdict load_catalog(std::FILE *file, i18n **handle, CatalogReport *report = nullptr);

// Receives a catalog's entries as they are stored, NUL bytes included, in file order.
class CatalogVisitor {
public:
    virtual ~CatalogVisitor() = default;
    virtual void entry(std::uint64_t index, std::string_view key, std::string_view value) = 0;
};

// Reads the catalog that `file` holds from its start, handing each entry to `visitor` as it is
// read (a damaged catalog may have handed out some). Leaves `file` open.
CatalogReport read_catalog(std::FILE *file, CatalogVisitor &visitor);

// Follows a search as it goes; each call comes in the order of the search.
class SearchObserver {
public:
    virtual ~SearchObserver() = default;
    // NLSPATH as read (null when it is not set) and the locale that %L gives.
    virtual void started(const char * /*search_path*/, const char * /*locale*/) {}
    // Template `number` of `total` (from 1), the path it gave, and whether that opened.
    virtual void tried(std::size_t /*number*/, std::size_t /*total*/, std::string_view /*pattern*/,
                       const std::string & /*path*/, bool /*opened*/) {}
    // What the file that opened holds; `handle` is the loaded catalog, or null.
    virtual void loaded(const CatalogReport & /*report*/, const i18n * /*handle*/) {}
};

// The search vellix_open makes for the catalog `name` (not null), reported to `observer` when it
// is not null. Returns the loaded handle or null.
i18n *search_catalog(const char *name, SearchObserver *observer);

// The size of an open file, found by seeking to its end: 64 bits on every platform.
bool query_stream_size(std::FILE *file, std::uint64_t &size);

}  // namespace vellix

#endif
