// vellix merge [-o OUTPUT | -U] TRANSLATION TEMPLATE: a translation brought up to date with a new
// template, its entries matched by key: a changed source text keeps its translation, marked fuzzy
// with the old text beside it; new keys come untranslated; keys gone become obsolete, and come back
// with their translation.
#include "commands.h"
#include "option_reader.h"
#include "plural_rule.h"
#include "plural_table.h"
#include "po_file.h"
#include "replace_file.h"
#include "seeded_hash.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <unordered_map>

namespace vellix {
namespace {

void set_flag(std::vector<std::string> &flags, const std::string &flag, bool wanted) {
    const auto found = std::find(flags.begin(), flags.end(), flag);
    if (wanted && found == flags.end()) flags.insert(flags.begin(), flag);
    if (!wanted && found != flags.end()) flags.erase(found);
}

// The template's entry, with the translation that `old` (the translation's entry of the same key, if
// any) gives it.
PoMessage merged(const PoMessage &fresh, const PoMessage *old, std::size_t plural_count) {
    PoMessage entry = fresh;  // references, extracted comments, flags and texts from the template
    set_flag(entry.flags, "fuzzy", false);
    entry.has_previous_id = false;
    entry.translator_comments.clear();
    const std::size_t forms = fresh.has_plural ? plural_count : 1;
    entry.translations.assign(forms, std::string());
    if (!old) return entry;
    entry.translator_comments = old->translator_comments;
    for (std::size_t form = 0; form < forms && form < old->translations.size(); ++form) entry.translations[form] = old->translations[form];
    const bool translated = !old->translations.empty() && !old->translations.front().empty();
    const bool changed = old->id != fresh.id || old->has_plural != fresh.has_plural || old->plural_id != fresh.plural_id;
    const bool was_fuzzy = std::find(old->flags.begin(), old->flags.end(), "fuzzy") != old->flags.end();
    if (translated && (changed || was_fuzzy)) set_flag(entry.flags, "fuzzy", true);
    if (translated && changed) {
        // What the translator translated, beside what is to translate now.
        entry.has_previous_id = true;
        entry.previous_id = old->has_previous_id && was_fuzzy ? old->previous_id : old->id;
    } else if (translated && was_fuzzy && old->has_previous_id) {
        entry.has_previous_id = true;
        entry.previous_id = old->previous_id;
    }
    return entry;
}

struct KeyedFile {
    PoFile file;
    KeyedEntries entries, obsolete;
};

}  // namespace

// merge [-o OUTPUT | -U] TRANSLATION TEMPLATE
int run_merge(const Messages &messages, const Arguments &words) {
    std::string output;
    bool update = false;
    CommandLine line;
    if (!read_command_line(messages, "merge", words, {{'U', "update", nullptr}, {'o', "output", "an OUTPUT"}}, line)) {
        return status_trouble;
    }
    for (const GivenOption &option : line.options) {
        if (option.is("update")) update = true;
        if (option.is("output")) output = option.value;
    }
    const std::vector<std::string> &paths = line.operands;
    if (paths.size() != 2) return messages.usage_error("merge: give a TRANSLATION and a TEMPLATE");
    if (update && !output.empty()) return messages.usage_error("merge: -U and -o exclude each other");
    KeyedFile old_file, new_file;
    for (const int status : {read_po_or_report(messages, paths[0], old_file.file), read_po_or_report(messages, paths[1], new_file.file)}) {
        if (status != status_clean) return status;
    }
    const PoFile &translation = old_file.file;
    const PoFile &fresh = new_file.file;
    // Both files are keyed by one rule, so that a key means the same in both; an entry without its
    // key would be lost, so it is an error, as it is to compile.
    const bool by_context = fresh.keys_in_context() || translation.keys_in_context();
    std::size_t errors = 0;
    for (KeyedFile *keyed_file : {&old_file, &new_file}) {
        FindingPrinter printer{stderr, keyed_file == &old_file ? paths[0] : paths[1]};
        keyed_file->entries = keyed_entries(keyed_file->file.entries, by_context, printer, errors);
        keyed_file->obsolete = keyed_entries(keyed_file->file.obsolete, by_context, printer, errors);
    }
    if (errors != 0) return status_findings;

    const std::size_t plural_count = PluralRule::of_header(translation.header_text().c_str()).plural_count();
    if (plural_count > max_plural_forms) {
        // Each plural entry would get as many empty forms: checked before any is made.
        FindingPrinter printer{stderr, paths[0]};
        printer.finding(error_at(translation.header.line, too_many_forms(plural_count)));
        return status_findings;
    }
    std::unordered_map<std::string, const PoMessage *, SeededHash> active, obsolete;
    for (const auto &[key, entry] : old_file.entries) active.emplace(key, entry);
    for (const auto &[key, entry] : old_file.obsolete) obsolete.emplace(key, entry);

    PoFile result;
    result.has_header = translation.has_header;
    result.header = translation.header;
    std::unordered_map<std::string, bool, SeededHash> in_template;
    for (const auto &[key, entry] : new_file.entries) {
        if (!in_template.emplace(key, true).second) continue;  // a template's duplicate: the first counts
        const auto found = active.find(key);
        const auto back = obsolete.find(key);
        const PoMessage *old = found != active.end() ? found->second : back != obsolete.end() ? back->second : nullptr;
        result.entries.push_back(merged(*entry, old, plural_count));
    }
    // Keys the template lacks keep their translation, obsolete; so do the old obsolete ones.
    for (const auto *entries : {&old_file.entries, &old_file.obsolete}) {
        for (const auto &[key, entry] : *entries) {
            if (!in_template.count(key)) result.obsolete.push_back(*entry);
        }
    }
    for (PoMessage &entry : result.obsolete) {
        entry.references.clear();
        entry.extracted_comments.clear();
    }

    return write_po_output(messages, update ? paths[0] : output, po_file_text(result), old_file.file.charset);
}

}  // namespace vellix
