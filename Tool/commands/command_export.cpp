// vellix export [--reference REFERENCE] INPUT: a catalog source or compiled catalog written as PO,
// a template (msgstr empty) or, with the source-language reference, a translation.
#include "commands.h"
#include "option_reader.h"
#include "catalog_format.h"
#include "header_fields.h"
#include "plural_rule.h"
#include "po_writer.h"
#include "text_escape.h"
#include "source_parser.h"
#include "seeded_hash.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <unordered_map>
#include <vector>

namespace vellix {
namespace {

// The entries of a file in order, each key once (its first definition: what lookups find).
class EntryList : public SourceSink, public CatalogVisitor {
public:
    bool entry(std::string_view key, std::string_view value, std::uint64_t) override {
        add(key, value);
        return true;
    }
    void entry(std::uint64_t, std::string_view key, std::string_view value) override { add(key, value); }

    bool has(const std::string &key) const { return values_.count(key) != 0; }
    const std::string &value(const std::string &key) const { return values_.at(key); }
    const std::vector<std::string> &keys() const { return keys_; }

    // Whether the key holds plural form 1 or higher of another key of the list.
    bool is_plural_form(const std::string &key) const {
        std::string_view base;
        unsigned long form = 0;
        return split_plural_form_key(key, base, form) && has(std::string(base));
    }
    // 1 + the highest plural form the list holds for `key` (1 for a key without plural forms).
    std::size_t form_count(const std::string &key) const {
        std::size_t count = 1;
        while (has(plural_form_key(key, count))) ++count;
        return count;
    }
    // Plural form `form` of `key`, "" when the list lacks it.
    std::string form(const std::string &key, std::size_t form) const {
        const std::string form_key = form == 0 ? key : plural_form_key(key, form);
        return has(form_key) ? value(form_key) : std::string();
    }

private:
    void add(std::string_view key, std::string_view value) {
        if (values_.emplace(std::string(key), std::string(value)).second) keys_.emplace_back(key);
    }
    std::vector<std::string> keys_;
    std::unordered_map<std::string, std::string, SeededHash> values_;
};

bool read_entries(const Messages &messages, const std::string &path, EntryList &entries) {
    if (has_catalog_magic(path)) {
        CatalogReport report;
        return read_catalog_or_report(messages, path, entries, report);
    }
    SourceFile source;
    if (!read_source_or_report(messages, path, source)) return false;
    parse_source(source.bytes.get(), source.size, entries);
    return true;
}

// One PO entry to write: the key as msgctxt, a text as msgid (and msgid_plural), the translations.
struct ExportEntry {
    std::string key;
    std::string id;
    bool plural = false;
    std::string plural_id;
    std::vector<std::string> translations;  // one, or one per plural form
    const char *comment = nullptr;
};

class PoExport {
public:
    PoExport(const Messages &messages, const std::string &path) : messages_(messages), path_(path) {}

    void write(const ExportEntry &e) {
        // The empty key holds a compiled PO file's header; a fresh one is written first.
        if (e.key.empty()) return;
        std::vector<const std::string *> texts{&e.key, &e.id, &e.plural_id};
        for (const std::string &translation : e.translations) texts.push_back(&translation);
        for (const std::string *text : texts) {
            if (text->find('\0') == std::string::npos) continue;
            std::fflush(stdout);
            messages_.trouble(path_ + ": key " + quoted(e.key) + ": a NUL byte cannot be written in PO; the entry is left out");
            status = status_findings;
            return;
        }
        PoMessage message;
        if (e.comment) message.translator_comments.emplace_back(e.comment);
        message.has_context = true;
        message.context = e.key;
        message.id = e.id;
        message.has_plural = e.plural;
        message.plural_id = e.plural_id;
        message.translations = e.translations;
        const std::string entry = "\n" + po_entry(message);
        std::fwrite(entry.data(), 1, entry.size(), stdout);
    }

    int status = status_clean;

private:
    const Messages &messages_;
    const std::string &path_;
};

// The entry of `key` as `texts` has it: its text, or its forms 0 and 1 as msgid and msgid_plural.
ExportEntry entry_from(const EntryList &texts, const std::string &key) {
    ExportEntry entry;
    entry.key = key;
    entry.id = texts.value(key);
    entry.plural = texts.form_count(key) > 1;
    if (entry.plural) entry.plural_id = texts.form(key, 1);
    return entry;
}

// The translations of `key` in `translation`: as many forms as its rule has (`forms`), or one.
std::vector<std::string> translations_of(const EntryList &translation, const std::string &key, bool plural, std::size_t forms) {
    if (!plural) return {translation.has(key) ? translation.value(key) : std::string()};
    std::vector<std::string> texts;
    const std::size_t count = std::max(forms, translation.has(key) ? translation.form_count(key) : 0);
    for (std::size_t form = 0; form < count; ++form) texts.push_back(translation.form(key, form));
    return texts;
}

}  // namespace

// export [--reference REFERENCE] INPUT
int run_export(const Messages &messages, const Arguments &words) {
    CommandLine line;
    if (!read_command_line(messages, "export", words, {{'\0', "reference", "a REFERENCE"}}, line)) return status_trouble;
    const std::string reference_path = line.options.empty() ? std::string() : line.options.back().value;
    const std::vector<std::string> &inputs = line.operands;
    if (inputs.size() != 1) return messages.usage_error("export: give exactly one INPUT");
    EntryList input, reference;
    if (!read_entries(messages, inputs[0], input)) return status_trouble;
    if (!reference_path.empty() && !read_entries(messages, reference_path, reference)) return status_trouble;

    PoExport out{messages, inputs[0]};
    if (reference_path.empty()) {
        std::fputs(po_header("").c_str(), stdout);
        for (const std::string &key : input.keys()) {
            if (input.is_plural_form(key)) continue;
            ExportEntry entry = entry_from(input, key);
            entry.translations.assign(entry.plural ? 2 : 1, std::string());
            out.write(entry);
        }
    } else {
        // The translation's plural rule goes with it; its forms are as many as the rule says.
        const std::string header = input.has("") ? input.value("") : std::string();
        const std::string plural_forms = header_field(header, "Plural-Forms");
        const std::size_t forms = PluralRule::of_header(header.c_str()).plural_count();
        std::fputs(po_header(plural_forms).c_str(), stdout);
        // The original's order; what only the translation has comes last, with its own text as msgid
        // (so that compiling the export gives back every entry) and a comment saying so.
        for (const std::string &key : reference.keys()) {
            if (reference.is_plural_form(key)) continue;
            ExportEntry entry = entry_from(reference, key);
            entry.translations = translations_of(input, key, entry.plural, forms);
            out.write(entry);
        }
        for (const std::string &key : input.keys()) {
            if (reference.has(key) || input.is_plural_form(key)) continue;
            ExportEntry entry = entry_from(input, key);
            entry.translations = translations_of(input, key, entry.plural, forms);
            entry.comment = "not in the reference: msgid is this translation's own text";
            out.write(entry);
        }
    }
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        return messages.cannot_write("the standard output", std::strerror(errno));
    }
    return out.status;
}

}  // namespace vellix
