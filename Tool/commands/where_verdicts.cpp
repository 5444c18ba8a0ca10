#include "where_verdicts.h"

#include "catalog_format.h"
#include "directory_search.h"

#include <cstdio>

namespace vellix {

PathKind path_kind(const std::string &path) {
    PathKind kind = PathKind::missing;
    if (std::FILE *file = open_regular_file(path.c_str(), kind)) std::fclose(file);
    return kind;
}

void print_layout_hint(const std::string &path) {
    const std::size_t slash = path.find_last_of("/\\");
    const std::string directory = slash == std::string::npos ? "." : path.substr(0, slash);
    const std::string file = slash == std::string::npos ? path : path.substr(slash + 1);
    const std::string messages_directory = path_in(directory, "LC_MESSAGES");
    const std::string moved = path_in(messages_directory, file);
    if (path_kind(moved) == PathKind::regular) {
        std::printf("  hint: %s exists: gettext's LC_MESSAGES layout, which this search does not use; move the "
                    "catalog to %s\n", moved.c_str(), path.c_str());
        return;
    }
    const std::size_t extension = file.size() >= 4 ? file.rfind(catalog_extension) : std::string::npos;
    if (extension == std::string::npos || extension + 4 != file.size()) return;
    const std::string gettext_catalog = path_in(messages_directory, file.substr(0, extension) + ".mo");
    if (path_kind(gettext_catalog) == PathKind::regular) {
        std::printf("  hint: %s is a GNU gettext catalog; vellix reads its own: compile the PO file with "
                    "vellix compile -o %s\n", gettext_catalog.c_str(), path.c_str());
    }
}

void print_open_verdict(PathKind kind) {
    if (kind == PathKind::missing) std::printf("  does not open\n");
    if (kind != PathKind::missing && kind != PathKind::regular) {
        std::printf("  does not open: it is %s, not a regular file\n", describe_path_kind(kind));
    }
}

void print_load_verdict(const CatalogReport &report, const char *after_refusal) {
    switch (report.verdict) {
    case LoadVerdict::loaded:
        std::printf("  opened: loaded %llu entries\n", static_cast<unsigned long long>(report.count));
        return;
    case LoadVerdict::bad_magic:
        std::printf("  opened: bad magic (%s)%s\n", report.problem.c_str(), after_refusal);
        return;
    case LoadVerdict::bad_version:
        std::printf("  opened: bad version (%s)%s\n", report.problem.c_str(), after_refusal);
        return;
    case LoadVerdict::damaged:
        std::printf("  opened: damaged (%s)%s\n", report.problem.c_str(), after_refusal);
        return;
    }
}

}  // namespace vellix
