// vellix where NAME: replays the NLSPATH search that vellix_open(NAME) makes, step by step.
#include "catalog_search.h"
#include "commands.h"
#include "option_reader.h"
#include "where_verdicts.h"
#include "vellix.h"

#include <clocale>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <utility>

namespace vellix {
namespace {

// Whether NLSPATH looks written for the ':' that other systems use: a ':' and no ';', not counting
// the colon of a drive letter at the start ("C:\\...").
bool separates_with_colons(std::string_view search_path) {
    const bool drive = search_path.size() >= 2 && search_path[1] == ':' &&
                       ((search_path[0] >= 'A' && search_path[0] <= 'Z') || (search_path[0] >= 'a' && search_path[0] <= 'z'));
    if (drive) search_path.remove_prefix(2);
    return search_path.find(';') == std::string_view::npos && search_path.find(':') != std::string_view::npos;
}

// Prints each step of the search as vellix_open makes it.
class SearchReport : public SearchObserver {
public:
    explicit SearchReport(std::string name) : name_(std::move(name)) {}

    void started(const char *search_path, const char *locale) override {
        searched_ = search_path != nullptr;
        if (!search_path) {
            std::printf("NLSPATH is not set: vellix_open(\"%s\") returns null without searching\n", name_.c_str());
            return;
        }
        std::printf("NLSPATH=%s\n", search_path);
        if (separates_with_colons(search_path)) {
            std::printf("  hint: templates are separated by ';', not ':'; this NLSPATH is one template\n");
        }
        std::printf("%%L gives: %s\n", locale ? locale : "(nothing: the locale cannot be queried)");
        if (locale && std::strchr(locale, ';')) {
            std::printf("  (a composite name: the locale categories differ; its ';' splits nothing)\n");
        }
    }

    void tried(std::size_t number, std::size_t total, std::string_view pattern, const std::string &path,
               PathKind kind) override {
        std::printf("template %llu of %llu: %.*s\n", static_cast<unsigned long long>(number),
                    static_cast<unsigned long long>(total), static_cast<int>(pattern.size()), pattern.data());
        std::printf("  path: %s\n", path.empty() ? "(empty)" : path.c_str());
        print_open_verdict(kind);
        if (kind == PathKind::missing && !path.empty()) print_layout_hint(path);
        if (kind == PathKind::directory) {
            std::printf("  hint: a template names the file itself; for a catalog in this directory end it "
                        "with %s%%N\n", path.empty() || path.back() == '/' || path.back() == '\\' ? "" : "/");
        }
        number_ = number;
        total_ = total;
        path_ = path;
    }

    void loaded(const CatalogReport &report, const i18n *handle) override {
        opened_ = true;
        print_load_verdict(report, "");
        loaded_ = handle != nullptr;
    }

    // The last lines: what vellix_open gives.
    void finish() const {
        if (!searched_) return;
        if (loaded_) {
            std::printf("vellix_open(\"%s\") loads %s\n", name_.c_str(), path_.c_str());
        } else if (opened_) {
            std::printf("vellix_open(\"%s\") returns null: the search ends at the first file that opens", name_.c_str());
            if (number_ + 1 == total_) {
                std::printf(", so template %llu is never tried", static_cast<unsigned long long>(total_));
            } else if (number_ < total_) {
                std::printf(", so templates %llu to %llu are never tried", static_cast<unsigned long long>(number_ + 1),
                            static_cast<unsigned long long>(total_));
            }
            std::printf("\n");
        } else {
            std::printf("vellix_open(\"%s\") returns null: no template names a file that opens\n", name_.c_str());
        }
    }

private:
    std::string name_;
    std::size_t number_ = 0;
    std::size_t total_ = 0;
    std::string path_;
    bool searched_ = false;  // NLSPATH was set, so templates were tried
    bool opened_ = false;
    bool loaded_ = false;
};

}  // namespace

// where NAME, where --dir DIRECTORY NAME
int run_where(const Messages &messages, const Arguments &words) {
    CommandLine line;
    if (!read_command_line(messages, "where", words, {{'\0', "dir", "a DIRECTORY"}}, line)) return status_trouble;
    if (line.operands.size() != 1) return messages.usage_error("where: give exactly one NAME");
    if (!line.options.empty()) return run_where_directory(line.options.back().value, line.operands[0]);
    const bool locale_set = std::setlocale(LC_ALL, "") != nullptr;
    std::printf(locale_set ? "setlocale(LC_ALL, \"\") was called first, as an application would\n"
                           : "setlocale(LC_ALL, \"\") was called first, as an application would, and failed: the "
                             "environment names a locale this system lacks, so the locale stays as it was\n");
    SearchReport report{line.operands[0]};
    i18n *handle = search_catalog(line.operands[0].c_str(), &report);
    report.finish();
    const bool found = handle != nullptr;
    vellix_free(handle);
    return found ? status_clean : status_findings;
}

}  // namespace vellix
