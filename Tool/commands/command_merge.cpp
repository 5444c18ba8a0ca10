// vellix merge [-o OUTPUT | -U] [--force] [--no-memory] TRANSLATION TEMPLATE: a translation brought
// up to date with a new template, its entries matched by key: a changed source text keeps its
// translation, marked fuzzy with the old text beside it; a new key whose text an obsolete entry has
// takes its translation, marked fuzzy (a renamed key); other new keys come untranslated; keys gone
// become obsolete, and come back with their translation. A template that would put most translations
// aside is refused unless --force.
#include "commands.h"
#include "option_reader.h"
#include "plural_rule.h"
#include "finding_printer.h"
#include "header_fields.h"
#include "plural_rule_check.h"
#include "plural_table.h"
#include "first_definitions.h"
#include "po_file.h"
#include "po_writer.h"
#include "text_escape.h"
#include "replace_file.h"
#include "seeded_hash.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <unordered_map>
#include <unordered_set>

namespace vellix {
namespace {

void set_flag(std::vector<std::string> &flags, const std::string &flag, bool wanted) {
    const auto found = std::find(flags.begin(), flags.end(), flag);
    if (wanted && found == flags.end()) flags.insert(flags.begin(), flag);
    if (!wanted && found != flags.end()) flags.erase(found);
}

// The template's entry, with the translation that `old` (the translation's entry of the same key, if
// any) gives it, made in `entry` (whose strings keep their memory from the entry made before).
void merge_into(PoMessage &entry, const PoMessage &fresh, const PoMessage *old, std::size_t plural_count) {
    entry = fresh;  // references, extracted comments, flags and texts from the template
    set_flag(entry.flags, "fuzzy", false);
    entry.has_previous_id = false;
    entry.translator_comments.clear();
    const std::size_t forms = fresh.has_plural ? plural_count : 1;
    entry.translations.assign(forms, std::string());
    if (!old) return;
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
}

struct KeyedFile {
    PoFile file;
    KeyedEntries entries, obsolete;
    TextStore made_keys;  // keys made of msgctxt and msgid
};

// The first entry of each key of a keyed list, in a compact table of the list's own positions
// rather than a map of copied keys: the keys are the list's own, not copied again.
class KeyIndex {
public:
    explicit KeyIndex(const KeyedEntries &entries)
        : entries_(entries), table_(entries.size(), [&entries](std::uint64_t position) { return entries[position - 1].first; }) {
        for (std::size_t i = 0; i < entries.size(); ++i) table_.find_or_add(entries[i].first, table_.hash(entries[i].first), i + 1);
    }
    // The first entry of the key, or null.
    const PoMessage *find(std::string_view key) const {
        const std::uint64_t position = table_.find(key, table_.hash(key));
        return position ? entries_[position - 1].second : nullptr;
    }

private:
    const KeyedEntries &entries_;
    FirstDefinitions table_;
};

bool is_translated(const PoMessage &entry) { return !entry.translations.empty() && !entry.translations.front().empty(); }

// The texts of an entry as one key, plural shape included: a renamed key's translation is taken only
// by an entry of the same texts and the same shape.
std::string texts_of(const PoMessage &entry) {
    std::string texts = entry.id;
    if (entry.has_plural) texts.append(1, '\0').append(entry.plural_id);
    return texts;
}

// The translated entries that are or become obsolete, by their texts: the first of each.
class TranslationMemory {
public:
    void add(std::string_view key, const PoMessage &entry) {
        if (is_translated(entry)) entries_.emplace(texts_of(entry), Remembered{std::string(key), &entry});
    }
    // The translation an obsolete entry gives a new entry of the same texts, fuzzy and with a comment
    // that names the key it came from; false when there is none.
    bool fill(PoMessage &entry) {
        const auto found = entries_.find(texts_of(entry));
        if (found == entries_.end()) return false;
        const PoMessage &old = *found->second.entry;
        for (std::size_t form = 0; form < entry.translations.size() && form < old.translations.size(); ++form) {
            entry.translations[form] = old.translations[form];
        }
        entry.translator_comments = old.translator_comments;
        entry.translator_comments.push_back("the translation of the key " + quoted(found->second.key) + ", whose text was the same");
        set_flag(entry.flags, "fuzzy", true);
        used_.emplace(found->second.entry);
        return true;
    }
    bool used(const PoMessage *entry) const { return used_.count(entry) != 0; }
    // Notes the entry a new entry of these texts will take, before fill() gives it.
    void mark_used(const PoMessage &entry) {
        const auto found = entries_.find(texts_of(entry));
        if (found != entries_.end()) used_.emplace(found->second.entry);
    }

private:
    struct Remembered {
        std::string key;
        const PoMessage *entry;
    };
    std::unordered_map<std::string, Remembered, SeededHash> entries_;
    std::unordered_set<const PoMessage *> used_;
};

// What a merge did, for the line it prints.
struct MergeCounts {
    std::size_t kept = 0, fuzzy = 0, fresh = 0, obsolete = 0;
    std::size_t translated_before = 0;  // translated entries of the translation (not obsolete ones)
    std::size_t translations_aside = 0;  // of those, put aside: obsolete, and taken by no new key
};

// The translation keeps its own rule; a template whose Plural-Forms is not the rule of the
// translation's language (its Language, else its file name) is said once, on standard error.
void warn_of_template_rule(const PoFile &translation, const PoFile &fresh, const std::vector<std::string> &paths) {
    const std::string template_rule = header_field(fresh.header_text(), "Plural-Forms");
    if (template_rule.empty()) return;
    PluralRule rule;
    std::string problem;
    if (!rule.parse(template_rule, problem)) return;
    const std::string language = po_language(translation.header_text(), paths[0]);
    if (language.empty()) return;
    const std::string differs = differs_from_known_rule(rule, language, plural_forms_for(language), "the template's");
    if (differs.empty()) return;
    FindingPrinter printer{stderr, paths[1]};
    printer.finding(warning_at(fresh.header.line, differs + "; " + paths[0] + " keeps its own"));
}

}  // namespace

// merge [-o OUTPUT | -U] [--force] [--no-memory] TRANSLATION TEMPLATE
int run_merge(const Messages &messages, const Arguments &words) {
    std::string output;
    bool update = false, force = false, memory = true;
    CommandLine line;
    if (!read_command_line(messages, "merge", words,
                           {{'U', "update", nullptr}, {'o', "output", "an OUTPUT"}, {'\0', "force", nullptr}, {'\0', "no-memory", nullptr}},
                           line)) {
        return status_trouble;
    }
    for (const GivenOption &option : line.options) {
        if (option.is("update")) update = true;
        if (option.is("output")) output = option.value;
        if (option.is("force")) force = true;
        if (option.is("no-memory")) memory = false;
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
        keyed_file->entries = keyed_entries(keyed_file->file.entries, by_context, printer, errors, keyed_file->made_keys);
        keyed_file->obsolete = keyed_entries(keyed_file->file.obsolete, by_context, printer, errors, keyed_file->made_keys);
    }
    if (errors != 0) return status_findings;
    if (new_file.entries.empty() && !force) {
        messages.trouble("merge: " + paths[1] + " has no entries: merging it would make every entry of " + paths[0] +
                         " obsolete. Nothing is written; check the extraction (the --keyword options of extract), or "
                         "give --force");
        return status_findings;
    }

    const std::size_t plural_count = PluralRule::of_header(translation.header_text().c_str()).plural_count();
    if (plural_count > max_plural_forms) {
        // Each plural entry would get as many empty forms: checked before any is made.
        FindingPrinter printer{stderr, paths[0]};
        printer.finding(error_at(translation.header.line, too_many_forms(plural_count)));
        return status_findings;
    }
    warn_of_template_rule(translation, fresh, paths);
    // A key's first entry counts: a template's duplicate is left out.
    const KeyIndex active{old_file.entries}, obsolete{old_file.obsolete}, in_template{new_file.entries};

    // What a renamed key may take: the entries that become obsolete now, then those that were.
    TranslationMemory remembered;
    MergeCounts counts;
    for (const auto *entries : {&old_file.entries, &old_file.obsolete}) {
        for (const auto &[key, entry] : *entries) {
            if (entries == &old_file.entries && is_translated(*entry)) ++counts.translated_before;
            if (memory && !in_template.find(key)) remembered.add(key, *entry);
        }
    }

    // Which obsolete translations new keys take, and so how many are put aside, is known before
    // any entry is made: a refused merge writes nothing.
    for (const auto &[key, entry] : new_file.entries) {
        if (memory && in_template.find(key) == entry && !active.find(key) && !obsolete.find(key)) remembered.mark_used(*entry);
    }
    for (const auto &[key, entry] : old_file.entries) {
        if (in_template.find(key)) continue;
        ++counts.obsolete;
        if (is_translated(*entry) && !remembered.used(entry)) ++counts.translations_aside;
    }
    if (counts.translations_aside * 2 > counts.translated_before && !force) {
        messages.trouble("merge: " + std::to_string(counts.translations_aside) + " of the " + std::to_string(counts.translated_before) +
                         " translated entries of " + paths[0] + " would become obsolete, as " + paths[1] +
                         " lacks their keys. Nothing is written; check that it is the right template, or give --force");
        return status_findings;
    }

    // The merged file, written as its entries are made with no copy of them all kept: the header,
    // the template's entries, then the obsolete ones.
    const auto make_entries = [&](PoText &text) {
        if (translation.has_header) text.add(translation.header, false);
        PoMessage made;
        for (const auto &[key, entry] : new_file.entries) {
            if (in_template.find(key) != entry) continue;
            const PoMessage *found = active.find(key);
            const PoMessage *old = found ? found : obsolete.find(key);
            merge_into(made, *entry, old, plural_count);
            if (!old && memory) remembered.fill(made);  // a renamed key's translation, fuzzy
            ++(made.has_flag("fuzzy") ? counts.fuzzy : old ? counts.kept : counts.fresh);
            text.add(made, false);
        }
        // Keys the template lacks keep their translation, obsolete; so do the old obsolete ones.
        for (const auto *entries : {&old_file.entries, &old_file.obsolete}) {
            for (const auto &[key, entry] : *entries) {
                if (in_template.find(key)) continue;
                made = *entry;
                made.references.clear();
                made.extracted_comments.clear();
                text.add(made, true);
            }
        }
    };
    const int status = write_po_entries(messages, update ? paths[0] : output, old_file.file.charset, make_entries);
    if (status == status_clean) {
        messages.say(paths[0] + ": " + std::to_string(counts.kept) + " kept, " + std::to_string(counts.fuzzy) + " fuzzy, " +
                         std::to_string(counts.fresh) + " new, " + std::to_string(counts.obsolete) + " obsolete");
    }
    return status;
}

}  // namespace vellix
