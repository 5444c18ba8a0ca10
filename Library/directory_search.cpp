#include "directory_search.h"

#include "catalog_format.h"
#include "search_step.h"

#include <cstring>

namespace vellix {
namespace {

constexpr char origin_word[] = "$ORIGIN";

bool is_separator(char byte) {
#ifdef _WIN32
    return byte == '/' || byte == '\\';
#else
    return byte == '/';
#endif
}

}  // namespace

bool expand_origin(const std::string &directory, std::string &expanded, bool &uses_origin) {
    const std::size_t length = sizeof origin_word - 1;
    uses_origin = directory.compare(0, length, origin_word) == 0 &&
                  (directory.size() == length || is_separator(directory[length]));
    if (!uses_origin) {
        expanded = directory;
        return true;
    }
    std::string origin;
    if (!executable_directory(origin)) return false;
    expanded = origin + directory.substr(length);
    return true;
}

std::string path_in(const std::string &directory, const std::string &file) {
    std::string path = directory;
    if (!path.empty() && !is_separator(path.back())) path += '/';
    return path + file;
}

std::string language_catalog_path(const std::string &directory, const std::string &language, const std::string &name) {
    return path_in(directory, language + '/' + name + catalog_extension);
}

i18n *search_directory(const char *directory, const char *name, DirectorySearchObserver *observer) {
    std::string expanded;
    bool uses_origin = false;
    const bool found = expand_origin(as_utf8(directory), expanded, uses_origin);
    const UserLanguages languages = user_languages();
    const std::vector<CatalogLanguage> order = catalog_languages(languages);
    if (observer) observer->started(expanded, uses_origin, found, languages, order);
    if (!found || *directory == '\0') return nullptr;
    const std::string utf8_name = as_utf8(name);
    for (const CatalogLanguage &language : order) {
        const std::string path = language_catalog_path(expanded, language.directory, utf8_name);
        const SearchStep step = search_step(
            path, [&](PathKind kind) { if (observer) observer->tried(language, path, kind); },
            [&](const CatalogReport &report, const i18n *handle) { if (observer) observer->loaded(report, handle); });
        // Unlike the NLSPATH search, a file that is not a valid catalog does not end this one: a
        // damaged catalog for one language must not hide a good one for the next.
        if (step.handle) return step.handle;
    }
    return nullptr;
}

}  // namespace vellix
