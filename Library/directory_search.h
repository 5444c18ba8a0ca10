// Finding a catalog by directory and the user's languages: the search vellix_open_dir makes, with
// an observer so that `vellix where --dir` can replay it step by step.
#ifndef VELLIX_DIRECTORY_SEARCH_H
#define VELLIX_DIRECTORY_SEARCH_H

#include "catalog_reader.h"
#include "file_system.h"
#include "user_languages.h"
#include "vellix.h"

#include <string>
#include <vector>

namespace vellix {

// The directory with a leading "$ORIGIN" (alone, or followed by a path separator) replaced by the
// directory of the running program's executable; `uses_origin` says whether it had one. False when
// it has one and that directory cannot be found.
bool expand_origin(const std::string &directory, std::string &expanded, bool &uses_origin);

// `<directory>/<file>`, without doubling a separator the directory ends with.
std::string path_in(const std::string &directory, const std::string &file);

// `<directory>/<language>/<name>` and the catalog extension, likewise.
std::string language_catalog_path(const std::string &directory, const std::string &language, const std::string &name);

// Follows a directory search as it goes; each call comes in the order of the search.
class DirectorySearchObserver {
public:
    virtual ~DirectorySearchObserver() = default;
    // The directory after "$ORIGIN" was replaced (`expanded` is false when it could not be), the
    // user's languages and the directories they give, in the order they are tried.
    virtual void started(const std::string & /*directory*/, bool /*uses_origin*/, bool /*expanded*/,
                         const UserLanguages & /*languages*/, const std::vector<CatalogLanguage> & /*order*/) {}
    // The path tried for one language, and what that named: only a regular file opens.
    virtual void tried(const CatalogLanguage & /*language*/, const std::string & /*path*/, PathKind /*kind*/) {}
    // What the file that opened holds; `handle` is the loaded catalog, or null (the search goes on).
    virtual void loaded(const CatalogReport & /*report*/, const i18n * /*handle*/) {}
};

// The search vellix_open_dir makes for the catalog `name` under `directory` (neither null), reported
// to `observer` when it is not null. Each language's path is tried once, in order; a path that does
// not open or does not hold a valid catalog is passed over. Returns the loaded handle or null.
i18n *search_directory(const char *directory, const char *name, DirectorySearchObserver *observer);

}  // namespace vellix

#endif
