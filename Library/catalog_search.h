// Finding a catalog: the NLSPATH templates, their expansion and the search that vellix_open makes,
// as pieces that tests and tools can call one by one.
#ifndef VELLIX_CATALOG_SEARCH_H
#define VELLIX_CATALOG_SEARCH_H

#include "catalog_reader.h"
#include "file_system.h"
#include "vellix.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace vellix {

// The templates of an NLSPATH value, split at every ';' (before any expansion), empty ones included.
std::vector<std::string_view> split_search_path(std::string_view search_path);

// Expands one template: %N gives `name` followed by the catalog extension, %L gives `locale` (nothing when it is
// null), '%' followed by any other character gives that character, a trailing '%' gives nothing.
std::string expand_template(std::string_view pattern, std::string_view name, const char *locale);

// Follows a search as it goes; each call comes in the order of the search.
class SearchObserver {
public:
    virtual ~SearchObserver() = default;
    // NLSPATH as read (null when it is not set) and the locale that %L gives.
    virtual void started(const char * /*search_path*/, const char * /*locale*/) {}
    // Template `number` of `total` (from 1), the path it gave, and what that named: only a
    // regular file opens.
    virtual void tried(std::size_t /*number*/, std::size_t /*total*/, std::string_view /*pattern*/,
                       const std::string & /*path*/, PathKind /*kind*/) {}
    // What the file that opened holds; `handle` is the loaded catalog, or null.
    virtual void loaded(const CatalogReport & /*report*/, const i18n * /*handle*/) {}
};

// The search vellix_open makes for the catalog `name` (not null), reported to `observer` when it
// is not null. Only a regular file ends the search; a directory, FIFO, socket or device counts as a
// path that does not open. Returns the loaded handle or null.
i18n *search_catalog(const char *name, SearchObserver *observer);

}  // namespace vellix

#endif
