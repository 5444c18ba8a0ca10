// vellix stats [--fail-under=PERCENT] FILE...: the figures of each file, a source, a compiled
// catalog or a PO file; with --fail-under, a PO file translated below PERCENT fails.
#include "commands.h"
#include "header_fields.h"
#include "option_reader.h"
#include "plural_rule.h"
#include "plural_rule_check.h"
#include "po_catalog.h"
#include "text_escape.h"
#include "source_parser.h"
#include "seeded_hash.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <unordered_set>

namespace vellix {
namespace {

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
    std::unordered_set<std::string, SeededHash> keys_;
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

// Counts a PO file's entries; its findings are `check`'s business.
struct PoCounter : PoCatalogSink {
    void entry(std::string_view key, std::string_view value, std::uint64_t) override {
        if (key.empty()) header = value;
    }
    void finding(const Finding &) override {}
    std::string header;
};

// "PATH: plural forms 0 one, 1 few, 2 many (CLDR, pl)": the CLDR categories of the file's forms,
// when its rule keeps each of its language's categories to one form.
void print_plural_categories(const std::string &path, const std::string &header) {
    const std::string plural_forms = header_field(header, "Plural-Forms");
    PluralRule rule;
    std::string problem;
    if (plural_forms.empty() || !rule.parse(plural_forms, problem)) return;
    const std::string language = po_language(header, path);
    const std::vector<std::string> categories = language.empty() ? std::vector<std::string>() : cldr_categories_of(rule, language);
    if (categories.empty()) return;
    std::string listed;
    for (std::size_t form = 0; form < categories.size(); ++form) {
        listed += (form ? ", " : "") + std::to_string(form) + " " + (categories[form].empty() ? "(none)" : categories[form]);
    }
    std::printf("%s: plural forms %s (CLDR, %s)\n", path.c_str(), listed.c_str(), language.c_str());
}

std::string share(std::size_t part, std::size_t whole) {
    return std::to_string(whole == 0 ? 0 : (part * 100 + whole / 2) / whole) + "%";
}

void print_translation_state(const std::string &name, const PoSummary &summary) {
    const std::size_t all = summary.translated + summary.fuzzy + summary.untranslated;
    std::printf("%s: %zu translated (%s), %zu fuzzy (%s), %zu untranslated (%s)\n", name.c_str(), summary.translated,
                share(summary.translated, all).c_str(), summary.fuzzy, share(summary.fuzzy, all).c_str(),
                summary.untranslated, share(summary.untranslated, all).c_str());
}

// Whether `summary` has at least `percent` of its entries translated (fuzzy ones and empty plural
// forms count as untranslated); a file without entries lacks nothing.
bool translated_at_least(const PoSummary &summary, unsigned percent) {
    const std::size_t all = summary.translated + summary.fuzzy + summary.untranslated;
    return summary.translated * 100 >= static_cast<std::size_t>(percent) * all;
}

// `fail_under`: the share of translated entries below which the file fails, or -1.
int stats_of_po(const Messages &messages, const std::string &path, int fail_under, PoSummary &total) {
    SourceFile file;
    if (!read_source_or_report(messages, path, file)) return status_trouble;
    PoCounter counter;
    PoOptions options;
    options.keep_charset = true;  // counting needs no conversion
    const PoSummary summary = read_po_catalog(file.bytes.get(), file.size, options, counter);
    print_translation_state(path, summary);
    print_plural_categories(path, counter.header);
    total.translated += summary.translated;
    total.fuzzy += summary.fuzzy;
    total.untranslated += summary.untranslated;
    if (fail_under < 0 || translated_at_least(summary, static_cast<unsigned>(fail_under))) return status_clean;
    const std::size_t all = summary.translated + summary.fuzzy + summary.untranslated;
    messages.file_trouble(path, share(summary.translated, all) + " translated, under the " + std::to_string(fail_under) +
                                    "% asked for: " + std::to_string(summary.fuzzy) + " fuzzy, " +
                                    std::to_string(summary.untranslated) + " untranslated (vellix check --complete names them)");
    return status_findings;
}

// The PERCENT of --fail-under: a whole number from 0 to 100, '%' after it allowed; -1 when it is not.
int read_percent(std::string text) {
    if (!text.empty() && text.back() == '%') text.pop_back();
    if (text.empty() || text.size() > 3 || text.find_first_not_of("0123456789") != std::string::npos) return -1;
    const int percent = std::stoi(text);
    return percent <= 100 ? percent : -1;
}

}  // namespace

// stats [--fail-under=PERCENT] FILE...
int run_stats(const Messages &messages, const Arguments &words) {
    CommandLine line;
    if (!read_command_line(messages, "stats", words, {{'\0', "fail-under", "a PERCENT"}}, line)) return status_trouble;
    if (line.operands.empty()) return messages.usage_error("stats: no SOURCE or CATALOG given");
    int fail_under = -1;
    for (const GivenOption &option : line.options) {
        fail_under = read_percent(option.value);
        if (fail_under < 0) return messages.usage_error("stats: --fail-under takes a PERCENT from 0 to 100, not '" + option.value + "'");
    }
    int status = status_clean;
    PoSummary total;
    std::size_t po_files = 0;
    for (const std::string &path : line.operands) {
        int result = status_clean;
        if (is_po_path(path)) {
            ++po_files;
            result = stats_of_po(messages, path, fail_under, total);
        } else {
            result = has_catalog_magic(path) ? stats_of_catalog(messages, path) : stats_of_source(messages, path);
        }
        if (result != status_clean && status != status_trouble) status = result;
    }
    if (po_files > 1) print_translation_state("total", total);
    return status;
}

}  // namespace vellix
