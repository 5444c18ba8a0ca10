// vellix where --dir DIRECTORY NAME: replays the search that vellix_open_dir(DIRECTORY, NAME) makes:
// the user's languages and where each came from, each path and its verdict, and the file that loads.
#include "commands.h"
#include "where_verdicts.h"
#include "catalog_format.h"
#include "directory_search.h"
#include "vellix.h"

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

namespace vellix {
namespace {

// Prints the environment the languages came from, then each step of the search.
class DirectorySearchReport : public DirectorySearchObserver {
public:
    DirectorySearchReport(std::string directory, std::string name)
        : directory_(std::move(directory)), name_(std::move(name)) {}

    void started(const std::string &directory, bool uses_origin, bool expanded, const UserLanguages &languages,
                 const std::vector<CatalogLanguage> &order) override {
        std::printf("directory: %s\n", directory_.c_str());
        if (uses_origin && !expanded) {
            std::printf("  $ORIGIN: the directory of the running program cannot be found on this system\n");
        } else if (uses_origin) {
            std::printf("  $ORIGIN gives %s (this program's directory: an application installed beside it "
                        "gets the same)\n", directory.c_str());
        }
        if (languages.language_set) {
            std::printf("LANGUAGE=%s%s\n", languages.language.c_str(),
                        languages.language_ignored ? " (ignored: the locale is C or POSIX)" : "");
        } else {
            std::printf("LANGUAGE is not set\n");
        }
        if (languages.locale_origin.empty()) {
            std::printf("LC_ALL, LC_MESSAGES and LANG are not set or empty: the locale is C\n");
        } else {
            std::printf("the locale: %s (from %s)\n", languages.locale.c_str(), languages.locale_origin.c_str());
        }
        std::printf("languages, most preferred first:%s\n", languages.languages.empty() ? " none" : "");
        for (const UserLanguage &language : languages.languages) {
            std::printf("  %s (from %s)%s\n", language.name.c_str(), language.origin.c_str(),
                        language_fallbacks(language.name).empty() ? ": names no language directory" : "");
        }
        std::printf("directories, in the order they are tried:%s", order.empty() ? " none" : "");
        for (const CatalogLanguage &language : order) std::printf(" %s", language.directory.c_str());
        std::printf("\n");
        searched_ = expanded && !directory_.empty() && !order.empty();
        const PathKind kind = searched_ ? path_kind(directory) : PathKind::directory;
        if (kind != PathKind::directory) {
            std::printf("  hint: %s %s; the catalogs belong in %s\n", directory.c_str(),
                        kind == PathKind::missing ? "does not exist" : "is not a directory",
                        language_catalog_path(directory, "LANGUAGE", name_).c_str());
        }
        // A directory given one level too deep: the catalog itself sits in it.
        if (kind == PathKind::directory && path_kind(path_in(directory, name_ + catalog_extension)) == PathKind::regular) {
            std::printf("  hint: %s holds the catalog itself; give the directory above the language "
                        "directories (the catalogs belong in %s)\n", directory.c_str(),
                        language_catalog_path(directory, "LANGUAGE", name_).c_str());
        }
    }

    void tried(const CatalogLanguage &language, const std::string &path, PathKind kind) override {
        std::printf("%s: %s\n", language.directory.c_str(), path.c_str());
        print_open_verdict(kind);
        if (kind == PathKind::missing) print_layout_hint(path);
        path_ = path;
    }

    void loaded(const CatalogReport &report, const i18n *handle) override {
        print_load_verdict(report, "; passed over, the search goes on");
        loaded_ = handle != nullptr;
    }

    // The last line: what vellix_open_dir gives.
    void finish() const {
        std::printf("vellix_open_dir(\"%s\", \"%s\") ", directory_.c_str(), name_.c_str());
        if (loaded_) std::printf("loads %s\n", path_.c_str());
        else if (directory_.empty()) std::printf("returns null: the directory is empty\n");
        else if (!searched_) std::printf("returns null without trying a file\n");
        else std::printf("returns null: no language has a catalog that loads there\n");
    }

private:
    std::string directory_;
    std::string name_;
    std::string path_;
    bool searched_ = false;
    bool loaded_ = false;
};

}  // namespace

int run_where_directory(const std::string &directory, const std::string &name) {
    DirectorySearchReport report{directory, name};
    i18n *handle = search_directory(directory.c_str(), name.c_str(), &report);
    report.finish();
    const bool found = handle != nullptr;
    vellix_free(handle);
    return found ? status_clean : status_findings;
}

}  // namespace vellix
