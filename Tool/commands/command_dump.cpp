// vellix dump [--list] CATALOG: a catalog written back as source, or listed entry by entry.
#include "catalog_dump.h"
#include "commands.h"
#include "option_reader.h"
#include "catalog_format.h"
#include "text_escape.h"

#include <cstdint>
#include <map>
#include <set>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace vellix {
namespace {

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

// The entries that hold plural forms 1 and up of an entry the catalog also holds (its first
// definition), grouped by that entry's key.
struct PluralForms {
    std::map<std::string, std::map<unsigned long, const std::string *>> by_base;
    std::set<std::size_t> of_entry;  // the indexes of the forms' own entries
};

PluralForms plural_forms_of(const std::vector<StoredEntry> &entries) {
    std::set<std::string_view> keys;
    for (const StoredEntry &entry : entries) keys.insert(entry.key);
    PluralForms forms;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        std::string_view base;
        unsigned long form = 0;
        if (!split_plural_form_key(entries[i].key, base, form) || !keys.count(base)) continue;
        if (forms.by_base[std::string(base)].emplace(form, &entries[i].value).second) forms.of_entry.insert(i);
    }
    return forms;
}

}  // namespace

// dump [--list] CATALOG
int run_dump(const Messages &messages, const Arguments &words) {
    CommandLine line;
    if (!read_command_line(messages, "dump", words, {{'\0', "list", nullptr}}, line)) return status_trouble;
    const bool list = !line.options.empty();
    if (line.operands.size() != 1) return messages.usage_error("dump: give exactly one CATALOG");
    const std::string &path = line.operands[0];

    // The whole catalog is read before anything is written, so a damaged one gives no output.
    CollectingVisitor visitor;
    CatalogReport report;
    if (!read_catalog_or_report(messages, path, visitor, report)) return status_trouble;
    int status = status_clean;
    // A listing shows a plural entry as one line with its forms; the forms' own entries are not listed.
    const PluralForms forms = list ? plural_forms_of(visitor.entries) : PluralForms{};
    for (std::size_t i = 0; i < visitor.entries.size(); ++i) {
        const StoredEntry &entry = visitor.entries[i];
        if (list) {
            if (forms.of_entry.count(i)) continue;
            std::string line = listing_line(i, entry.key, entry.value);
            const auto found = forms.by_base.find(entry.key);
            if (found != forms.by_base.end()) {
                line.pop_back();  // the line feed, put back after the forms
                for (const auto &[form, value] : found->second) {
                    line += "\tform " + std::to_string(form) + ": " + escape_bytes(*value, true);
                }
                line += '\n';
            }
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
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        return messages.cannot_write("the standard output", std::strerror(errno));
    }
    return status;
}

}  // namespace vellix
