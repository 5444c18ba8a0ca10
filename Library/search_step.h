// One step of every catalog search: open the path when it names a regular file, load what opened,
// and tell the search's observer both. The searches differ only in which paths they try and in
// whether a file that opens but does not load ends the search.
#ifndef VELLIX_SEARCH_STEP_H
#define VELLIX_SEARCH_STEP_H

#include "catalog_reader.h"
#include "file_system.h"
#include "vellix.h"

#include <cstdio>
#include <string>

namespace vellix {

struct SearchStep {
    bool opened = false;     // the path named a regular file that opened
    i18n *handle = nullptr;  // the loaded catalog, or null
};

// `tried(kind)` hears what the path named (an empty path names nothing); `loaded(report, handle)`
// what the file that opened holds.
template <class Tried, class Loaded>
SearchStep search_step(const std::string &path, Tried &&tried, Loaded &&loaded) {
    SearchStep step;
    PathKind kind = PathKind::missing;
    std::FILE *file = path.empty() ? nullptr : open_regular_file(path.c_str(), kind);
    tried(kind);
    if (!file) return step;
    step.opened = true;
    CatalogReport report;
    load_catalog(file, &step.handle, &report);
    loaded(report, step.handle);
    return step;
}

}  // namespace vellix

#endif
