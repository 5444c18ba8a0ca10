// vellix merge [-o OUTPUT | -U] TRANSLATION TEMPLATE: a translation brought up to date with a new
// template, its entries matched by key: a changed source text keeps its translation, marked fuzzy
// with the old text beside it; new keys come untranslated; keys gone become obsolete, and come back
// with their translation.
#include "commands.h"
#include "plural_rule.h"
#include "po_file.h"

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

}  // namespace

// merge [-o OUTPUT | -U] TRANSLATION TEMPLATE
int run_merge(const Messages &messages, const Arguments &words) {
    std::string output;
    bool update = false;
    std::vector<std::string> paths;
    for (std::size_t i = 0; i < words.size(); ++i) {
        if (words[i] == "-U" || words[i] == "--update") {
            update = true;
        } else if (words[i] == "-o" || words[i] == "--output") {
            if (i + 1 == words.size()) return messages.usage_error("merge: " + words[i] + " needs an OUTPUT");
            output = words[++i];
        } else if (words[i].size() > 1 && words[i][0] == '-') {
            return messages.usage_error("merge: unknown option '" + words[i] + "'");
        } else {
            paths.push_back(words[i]);
        }
    }
    if (paths.size() != 2) return messages.usage_error("merge: give a TRANSLATION and a TEMPLATE");
    if (update && !output.empty()) return messages.usage_error("merge: -U and -o exclude each other");
    PoFile translation, fresh;
    if (!read_po_file(messages, paths[0], translation) || !read_po_file(messages, paths[1], fresh)) return status_findings;

    const bool by_context = keys_in_context(fresh) || keys_in_context(translation);
    const std::string header = translation.has_header && !translation.header.translations.empty() ? translation.header.translations.front() : "";
    const std::size_t plural_count = PluralRule::of_header(header.c_str()).plural_count();
    std::unordered_map<std::string, const PoMessage *> active, obsolete;
    for (const PoMessage &entry : translation.entries) active.emplace(entry_key(entry, by_context), &entry);
    for (const PoMessage &entry : translation.obsolete) obsolete.emplace(entry_key(entry, by_context), &entry);

    PoFile result;
    result.has_header = translation.has_header;
    result.header = translation.header;
    std::unordered_map<std::string, bool> in_template;
    for (const PoMessage &entry : fresh.entries) {
        const std::string key = entry_key(entry, by_context);
        if (!in_template.emplace(key, true).second) continue;  // a template's duplicate: the first counts
        const auto found = active.find(key);
        const auto back = obsolete.find(key);
        const PoMessage *old = found != active.end() ? found->second : back != obsolete.end() ? back->second : nullptr;
        result.entries.push_back(merged(entry, old, plural_count));
    }
    // Keys the template lacks keep their translation, obsolete; so do the old obsolete ones.
    for (const PoMessage &entry : translation.entries) {
        if (!in_template.count(entry_key(entry, by_context))) result.obsolete.push_back(entry);
    }
    for (const PoMessage &entry : translation.obsolete) {
        if (!in_template.count(entry_key(entry, by_context))) result.obsolete.push_back(entry);
    }
    for (PoMessage &entry : result.obsolete) {
        entry.references.clear();
        entry.extracted_comments.clear();
    }

    const std::string text = po_file_text(result);
    const std::string &target = update ? paths[0] : output;
    if (target.empty()) {
        std::fwrite(text.data(), 1, text.size(), stdout);
        return std::fflush(stdout) == 0 ? status_clean : messages.trouble("cannot write the output");
    }
    if (!write_text_file(target, text)) {
        messages.file_trouble(target, "cannot write");
        return status_findings;
    }
    return status_clean;
}

}  // namespace vellix
