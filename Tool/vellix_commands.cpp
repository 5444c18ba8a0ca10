#include "vellix_commands.h"

#include "catalog_dump.h"
#include "catalog_format.h"
#include "catalog_search.h"
#include "compile_catalog.h"
#include "source_check.h"
#include "source_parser.h"
#include "text_escape.h"
#include "vellix.h"

#include <cerrno>
#include <clocale>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_set>
#include <utility>
#include <vector>

namespace vellix {
namespace {

const char usage_text[] =
    "Usage: %s COMMAND [ARGUMENTS]\n"
    "Checks vellix catalog sources and inspects compiled catalogs.\n"
    "\n"
    "  check [--strict] [--against REFERENCE] SOURCE...\n"
    "      Reports, as FILE:LINE: warning: TEXT, what the source format loses without a word:\n"
    "      duplicate keys, keys without a value, text before the first key line, a byte-order\n"
    "      mark, carriage returns that cut lines, NUL bytes, lines ending in spaces or tabs.\n"
    "      With --against, also keys missing from or extra to REFERENCE, and values whose printf\n"
    "      conversions differ from REFERENCE's. Exit status: 0 without findings; 1 for printf\n"
    "      differences or missing keys, or for any finding with --strict; 2 for a usage error or\n"
    "      an unreadable file.\n"
    "  where NAME\n"
    "      Replays the NLSPATH search that vellix_open(NAME) makes, after setlocale(LC_ALL, \"\"),\n"
    "      showing each template, its path and what opening it gives. Exit status: 0 when a\n"
    "      catalog would load, 1 otherwise.\n"
    "  dump [--list] CATALOG\n"
    "      Writes CATALOG as a source that vellmake compiles into the same catalog, or with\n"
    "      --list one line per entry: index, key length, value length, key, value (tab-separated,\n"
    "      bytes outside printable ASCII as \\xHH). Exit status: 1 when some entry cannot be\n"
    "      written as source, 2 for a damaged catalog.\n"
    "  stats SOURCE|CATALOG...\n"
    "      Entries, distinct keys, duplicates, dropped keys, bytes of keys and values, and the\n"
    "      largest value of each file; a catalog is recognised by its magic.\n"
    "  --help       Shows this text.\n"
    "  --version    Shows the version.\n";

// Where messages go and what the program calls itself.
class Messages {
public:
    explicit Messages(const char *program) : program_(program) {}
    const char *program() const { return program_; }

    int trouble(const std::string &text) const {
        std::fprintf(stderr, "%s: %s\n", program_, text.c_str());
        return status_trouble;
    }
    int usage_error(const std::string &text) const {
        std::fprintf(stderr, "%s: %s\nTry '%s --help' for more information.\n", program_, text.c_str(), program_);
        return status_trouble;
    }
    int file_trouble(const std::string &path, const std::string &text) const { return trouble(path + ": " + text); }

private:
    const char *program_;
};

// Reads a source, or says why not.
bool read_source_or_report(const Messages &messages, const std::string &path, SourceFile &file) {
    file = read_source_file(path.c_str());
    switch (file.result) {
    case SourceRead::read:
        return true;
    case SourceRead::too_large:
        messages.file_trouble(path, "a catalog source may hold at most " + std::to_string(max_source_size) + " bytes");
        return false;
    case SourceRead::unopened:
        messages.file_trouble(path, std::string("cannot open: ") + std::strerror(file.error_number));
        return false;
    case SourceRead::unreadable:
        messages.file_trouble(path, std::string("cannot read: ") +
                                        (file.error_number ? std::strerror(file.error_number) : "read error"));
        return false;
    }
    return false;
}

void print_finding(const Finding &finding, const std::string &path, const std::string &reference_path) {
    if (finding.line) {
        std::printf("%s:%llu: warning: %s\n", path.c_str(), static_cast<unsigned long long>(finding.line), finding.text.c_str());
    } else {
        std::printf("%s: warning: %s\n", path.c_str(), finding.text.c_str());
    }
    if (!finding.note.empty()) {
        std::printf("%s:%llu: note: %s\n", (finding.note_in_reference ? reference_path : path).c_str(),
                    static_cast<unsigned long long>(finding.note_line), finding.note.c_str());
    }
}

// check [--strict] [--against REFERENCE] SOURCE...
int run_check(const Messages &messages, std::vector<std::string> words) {
    bool strict = false;
    std::string reference_path;
    bool has_reference = false;
    std::vector<std::string> paths;
    bool options_done = false;
    for (std::size_t i = 0; i < words.size(); ++i) {
        const std::string &word = words[i];
        if (options_done || word.size() < 2 || word.compare(0, 2, "--") != 0) {
            paths.push_back(word);
        } else if (word == "--") {
            options_done = true;
        } else if (word == "--strict") {
            strict = true;
        } else if (word == "--against" || word.compare(0, 10, "--against=") == 0) {
            if (word == "--against" && i + 1 == words.size()) return messages.usage_error("check: --against needs a REFERENCE");
            reference_path = word == "--against" ? words[++i] : word.substr(10);
            has_reference = true;
        } else {
            return messages.usage_error("check: unknown option '" + word + "'");
        }
    }
    if (paths.empty()) return messages.usage_error("check: no SOURCE given");

    SourceCheck reference;
    if (has_reference) {
        SourceFile file;
        if (!read_source_or_report(messages, reference_path, file)) return status_trouble;
        reference = check_source(file.bytes.get(), file.size);
    }
    int status = status_clean;
    for (const std::string &path : paths) {
        SourceFile file;
        if (!read_source_or_report(messages, path, file)) {
            status = status_trouble;
            continue;
        }
        SourceCheck check = check_source(file.bytes.get(), file.size);
        if (has_reference) check_against(check, reference);
        for (const Finding &finding : check.findings) {
            print_finding(finding, path, reference_path);
            if ((finding.serious || strict) && status == status_clean) status = status_findings;
        }
    }
    return status;
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
        std::printf("%%L gives: %s\n", locale ? locale : "(nothing: the locale cannot be queried)");
        if (locale && std::strchr(locale, ';')) {
            std::printf("  (a composite name: the locale categories differ; its ';' splits nothing)\n");
        }
    }

    void tried(std::size_t number, std::size_t total, std::string_view pattern, const std::string &path,
               bool opened) override {
        std::printf("template %llu of %llu: %.*s\n", static_cast<unsigned long long>(number),
                    static_cast<unsigned long long>(total), static_cast<int>(pattern.size()), pattern.data());
        std::printf("  path: %s\n", path.empty() ? "(empty)" : path.c_str());
        if (!opened) std::printf("  does not open\n");
        number_ = number;
        total_ = total;
        path_ = path;
    }

    void loaded(const CatalogReport &report, const i18n *handle) override {
        opened_ = true;
        switch (report.verdict) {
        case LoadVerdict::loaded:
            std::printf("  opened: loaded %llu entries\n", static_cast<unsigned long long>(report.count));
            break;
        case LoadVerdict::bad_magic:
            std::printf("  opened: bad magic (%s)\n", report.problem.c_str());
            break;
        case LoadVerdict::bad_version:
            std::printf("  opened: bad version (%s)\n", report.problem.c_str());
            break;
        case LoadVerdict::damaged:
            std::printf("  opened: damaged (%s)\n", report.problem.c_str());
            break;
        }
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

// where NAME
int run_where(const Messages &messages, const std::vector<std::string> &words) {
    if (words.size() != 1) return messages.usage_error("where: give exactly one NAME");
    const bool locale_set = std::setlocale(LC_ALL, "") != nullptr;
    std::printf(locale_set ? "setlocale(LC_ALL, \"\") was called first, as an application would\n"
                           : "setlocale(LC_ALL, \"\") was called first, as an application would, and failed: the "
                             "environment names a locale this system lacks, so the locale stays as it was\n");
    SearchReport report{words[0]};
    i18n *handle = search_catalog(words[0].c_str(), &report);
    report.finish();
    const bool found = handle != nullptr;
    vellix_free(handle);
    return found ? status_clean : status_findings;
}

struct FileCloser {
    void operator()(std::FILE *file) const { std::fclose(file); }
};
using FileHandle = std::unique_ptr<std::FILE, FileCloser>;

struct StoredEntry {
    std::string key;
    std::string value;
};

struct CollectingVisitor : CatalogVisitor {
    std::vector<StoredEntry> entries;
    void entry(std::uint64_t, std::string_view key, std::string_view value) override {
        entries.push_back({std::string(key), std::string(value)});
    }
};

// What a catalog holds, or a message saying why it cannot be read.
bool read_catalog_or_report(const Messages &messages, const std::string &path, CatalogVisitor &visitor,
                            CatalogReport &report) {
    FileHandle file{std::fopen(path.c_str(), "rb")};
    if (!file) {
        messages.file_trouble(path, std::string("cannot open: ") + std::strerror(errno));
        return false;
    }
    report = read_catalog(file.get(), visitor);
    switch (report.verdict) {
    case LoadVerdict::loaded:
        return true;
    case LoadVerdict::bad_magic:
        messages.file_trouble(path, "not a catalog: " + report.problem);
        return false;
    case LoadVerdict::bad_version:
        messages.file_trouble(path, "not a catalog of this version: " + report.problem);
        return false;
    case LoadVerdict::damaged:
        messages.file_trouble(path, "damaged catalog: " + report.problem);
        return false;
    }
    return false;
}

// dump [--list] CATALOG
int run_dump(const Messages &messages, const std::vector<std::string> &words) {
    bool list = false;
    std::vector<std::string> paths;
    for (const std::string &word : words) {
        if (word == "--list") {
            list = true;
        } else if (word.size() > 1 && word.compare(0, 2, "--") == 0) {
            return messages.usage_error("dump: unknown option '" + word + "'");
        } else {
            paths.push_back(word);
        }
    }
    if (paths.size() != 1) return messages.usage_error("dump: give exactly one CATALOG");
    const std::string &path = paths[0];

    // The whole catalog is read before anything is written, so a damaged one gives no output.
    CollectingVisitor visitor;
    CatalogReport report;
    if (!read_catalog_or_report(messages, path, visitor, report)) return status_trouble;
    int status = status_clean;
    for (std::size_t i = 0; i < visitor.entries.size(); ++i) {
        const StoredEntry &entry = visitor.entries[i];
        if (list) {
            const std::string line = listing_line(i, entry.key, entry.value);
            std::fwrite(line.data(), 1, line.size(), stdout);
            continue;
        }
        const std::string reason = inexpressible_because(entry.key, entry.value);
        if (reason.empty()) {
            const std::string lines = source_lines(entry.key, entry.value);
            std::fwrite(lines.data(), 1, lines.size(), stdout);
        } else {
            std::fflush(stdout);
            std::fprintf(stderr, "%s: %s: entry %llu (key %s): %s; it is left out\n", messages.program(), path.c_str(),
                         static_cast<unsigned long long>(i),
                         quoted(entry.key).c_str(), reason.c_str());
            status = status_findings;
        }
    }
    if (report.unused_bytes != 0) {
        std::fflush(stdout);
        std::fprintf(stderr, "%s: %s: %llu bytes after the last of its %llu entries belong to no entry%s\n",
                     messages.program(), path.c_str(), static_cast<unsigned long long>(report.unused_bytes),
                     static_cast<unsigned long long>(report.count),
                     list ? "" : "; a catalog compiled from the dump leaves them out");
        if (!list) status = status_findings;
    }
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) return messages.trouble("cannot write the output");
    return status;
}

// The figures of one file, source or catalog.
class Statistics {
public:
    void add_entry(std::string_view key, std::string_view value, const std::string &where) {
        ++entries_;
        if (!keys_.emplace(key).second) ++duplicates_;
        key_bytes_ += key.size();
        value_bytes_ += value.size();
        if (entries_ == 1 || value.size() > largest_value_) {
            largest_value_ = value.size();
            largest_value_key_ = quoted(key) + where;
        }
    }
    void add_dropped_key() { ++dropped_keys_; }

    void print(const std::string &path, const char *kind) const {
        std::printf("%s: %s\n", path.c_str(), kind);
        std::printf("  entries: %llu\n", static_cast<unsigned long long>(entries_));
        std::printf("  distinct keys: %llu\n", static_cast<unsigned long long>(keys_.size()));
        std::printf("  duplicates: %llu\n", static_cast<unsigned long long>(duplicates_));
        std::printf("  dropped keys: %llu\n", static_cast<unsigned long long>(dropped_keys_));
        std::printf("  key bytes: %llu\n", static_cast<unsigned long long>(key_bytes_));
        std::printf("  value bytes: %llu\n", static_cast<unsigned long long>(value_bytes_));
        if (entries_ == 0) {
            std::printf("  largest value: none\n");
        } else {
            std::printf("  largest value: %llu bytes, key %s\n", static_cast<unsigned long long>(largest_value_),
                        largest_value_key_.c_str());
        }
    }

private:
    std::uint64_t entries_ = 0;
    std::uint64_t duplicates_ = 0;
    std::uint64_t dropped_keys_ = 0;
    std::uint64_t key_bytes_ = 0;
    std::uint64_t value_bytes_ = 0;
    std::uint64_t largest_value_ = 0;
    std::string largest_value_key_;
    std::unordered_set<std::string> keys_;
};

struct StatisticsSink : SourceSink {
    Statistics statistics;
    bool entry(std::string_view key, std::string_view value, std::uint64_t key_line) override {
        statistics.add_entry(key, value, " (line " + std::to_string(key_line) + ")");
        return true;
    }
    void dropped_key(std::string_view, std::uint64_t) override { statistics.add_dropped_key(); }
};

struct StatisticsVisitor : CatalogVisitor {
    Statistics statistics;
    void entry(std::uint64_t index, std::string_view key, std::string_view value) override {
        statistics.add_entry(key, value, " (entry " + std::to_string(index) + ")");
    }
};

// Whether the file begins with the catalog magic; false also when it cannot be opened.
bool has_catalog_magic(const std::string &path) {
    FileHandle file{std::fopen(path.c_str(), "rb")};
    unsigned char magic[sizeof catalog_magic];
    return file && std::fread(magic, 1, sizeof magic, file.get()) == sizeof magic &&
           std::memcmp(magic, catalog_magic, sizeof magic) == 0;
}

int stats_of_catalog(const Messages &messages, const std::string &path) {
    StatisticsVisitor visitor;
    CatalogReport report;
    if (!read_catalog_or_report(messages, path, visitor, report)) return status_trouble;
    visitor.statistics.print(path, "catalog");
    return status_clean;
}

int stats_of_source(const Messages &messages, const std::string &path) {
    SourceFile file;
    if (!read_source_or_report(messages, path, file)) return status_trouble;
    StatisticsSink sink;
    parse_source(file.bytes.get(), file.size, sink);
    sink.statistics.print(path, "source");
    return status_clean;
}

// stats SOURCE|CATALOG...
int run_stats(const Messages &messages, const std::vector<std::string> &words) {
    if (words.empty()) return messages.usage_error("stats: no SOURCE or CATALOG given");
    int status = status_clean;
    for (const std::string &path : words) {
        const int result = has_catalog_magic(path) ? stats_of_catalog(messages, path) : stats_of_source(messages, path);
        if (result != status_clean) status = result;
    }
    return status;
}

}  // namespace

int run_vellix(int argc, char **argv) {
    const Messages messages{argc > 0 && argv[0] ? argv[0] : "vellix"};
    if (argc < 2) return messages.usage_error("no command given");
    const std::string command = argv[1];
    std::vector<std::string> words;
    for (int i = 2; i < argc; ++i) words.emplace_back(argv[i]);

    if (command == "--help" || command == "-h" || command == "help") {
        std::printf(usage_text, messages.program());
        return status_clean;
    }
    if (command == "--version") {
        std::printf("vellix %s\n", vellixVersion);
        return status_clean;
    }
    if (command == "check") return run_check(messages, words);
    if (command == "where") return run_where(messages, words);
    if (command == "dump") return run_dump(messages, words);
    if (command == "stats") return run_stats(messages, words);
    return messages.usage_error("unknown command '" + command + "'");
}

}  // namespace vellix
