#include "po_catalog.h"

#include "catalog_format.h"
#include "charset_conversion.h"
#include "po_charset.h"
#include "first_definitions.h"
#include "header_fields.h"
#include "large_block.h"
#include "plural_rule.h"
#include "plural_rule_check.h"
#include "plural_table.h"
#include "po_format_check.h"
#include "po_reader.h"
#include "seeded_hash.h"
#include "text_escape.h"
#include "utf8.h"

#include <algorithm>
#include <unordered_map>

namespace vellix {
namespace {


// How many times its own text a plural entry may take in a catalog, and what its forms' keywords
// (msgstr[N] "") and stored keys (the key, a line feed, '#' and N) add at least.
constexpr std::size_t max_catalog_growth = 8;
constexpr std::size_t form_keyword_bytes = 12;
constexpr std::size_t form_key_bytes = 3;

class CatalogBuilder : public PoSink {
public:
    // Real entries take 200 bytes or more of a file, with their comments and references: a table
    // sized so is a quarter of one sized for the smallest entries, which matters since every slot
    // is zeroed; it grows if there are more.
    // `converted_from`: the charset the file was converted from into UTF-8, or "".
    CatalogBuilder(const PoOptions &options, PoCatalogSink &sink, std::size_t file_size, std::string converted_from)
        : options_(options), sink_(sink), converted_from_(std::move(converted_from)), first_lines_(file_size / 200, file_size / 2) {
        // Room that is never touched costs nothing: enough that the texts of entries with a
        // conversion are rarely copied to a larger block.
        format_entries_.reserve(file_size / 1024);
        format_texts_.reserve(file_size / 4);
    }

    void syntax_error(std::uint64_t line, const std::string &text) override { error(line, text); }
    void warning(std::uint64_t line, const std::string &text) override { report(warning_at(line, text)); }

    // The key's slot is loaded while the msgstr is read, instead of being waited for afterwards.
    void identified(const PoMessage &message) override {
        key_ready_ = !message.is_header() && key_of(message, key_, false);
        if (key_ready_) first_lines_.prefetch(key_hash_ = first_lines_.hash(key_));
    }

    void message(const PoMessage &message) override {
        if (!expanding_ && message.has_flag("c-format") && holds_inttypes_macro(message)) {
            // The texts as the program's format strings are on the target: "%<PRIu64>" is "%lu" on
            // LP64, and the key the program looks up is the expanded one.
            PoMessage expanded = message;
            for (std::string *text : {&expanded.id, &expanded.plural_id}) *text = with_inttypes_expanded(*text, options_.target);
            for (std::string &text : expanded.translations) text = with_inttypes_expanded(text, options_.target);
            key_ready_ = false;
            expanding_ = true;
            this->message(expanded);
            expanding_ = false;
            return;
        }
        if (message.is_header()) header(message);
        if (declared_utf8_ && !fields_are_utf8(message)) {
            key_ready_ = false;
            return;
        }
        // identified() has made the key already, unless the entry is the header or lacks one.
        std::string &key = key_;
        if (!key_ready_) {
            if (!key_of(message, key)) return;
            key_hash_ = first_lines_.hash(key);
        }
        key_ready_ = false;
        // Only a key that holds a conversion can be one that <inttypes.h> macros expanded into.
        const bool may_be_format = key.find('%') != std::string::npos;
        std::string &joined = joined_;
        joined.clear();
        if (may_be_format) {
            for (const std::string &text : message.translations) joined.append(text).append(1, '\0');
        }
        if (const std::uint64_t first_line = first_lines_.find_or_add(key, key_hash_, message.line)) {
            // Two texts that became one key once their <inttypes.h> macros were expanded (%<PRIx64>
            // and %lx on LP64, the latter flagged c-format or not) are one entry when their
            // translations agree, as in real catalogs.
            const FormatEntry *earlier = may_be_format ? format_entry_at(first_line) : nullptr;
            if (earlier && format_translations(*earlier) == joined && (expanding_ || earlier->expanded)) {
                return;
            }
            Finding duplicate = error_at(message.line, "duplicate key " + quoted(key));
            duplicate.note = "first defined here";
            duplicate.note_line = first_line;
            report(duplicate);
            return;
        }
        // Entries come in the order of their lines: the list stays sorted for format_entry_at().
        if (may_be_format && (format_entries_.empty() || format_entries_.back().line < message.line)) {
            format_entries_.push_back(FormatEntry{message.line, format_texts_.size(), joined.size(), expanding_});
            format_texts_.append(joined.data(), joined.size());
        }
        if (!message.is_header()) sink_.key(key, message.id, message.line);
        if (message.is_header() && !converted_from_.empty() && !options_.keep_charset) {
            // The catalog's header says what its texts now are.
            PoMessage header = message;
            const std::string content_type = header_field(header.translations.front(), "Content-Type");
            // (The raw bytes named the charset; a damaged header may read otherwise.)
            const std::size_t charset = content_type.find(converted_from_);
            header.translations.front() = with_header_field(
                header.translations.front(), "Content-Type",
                charset == std::string::npos
                    ? std::string("text/plain; charset=UTF-8")
                    : content_type.substr(0, charset) + "UTF-8" + content_type.substr(charset + converted_from_.size()));
            return sink_.entry(key, header.translations.front(), message.line);
        }
        if (message.has_plural && !unread_rule_.empty()) {
            error(plural_forms_line_, unread_rule_ + ", and entries have plural forms" + (language_rule_ ? ": " + rule_to_paste() : ""));
            unread_rule_.clear();
            rule_failed_ = language_rule_ != nullptr;
        }
        if (message.has_plural && !plural_forms_line_ && language_rule_ && !rule_failed_) {
            // gettext's default rule would give this language wrong forms: one error, not one per entry.
            error(header_line_, "the header has no Plural-Forms, and entries have plural forms: " + rule_to_paste());
            rule_failed_ = true;
        }
        bool translated = !message.translations.empty() && !message.translations.front().empty();
        if (translated && message.has_plural && !message.is_header()) translated = every_form_given(message);
        // The header is no message for the translator: it is never counted, and a fuzzy one still counts.
        const bool fuzzy = message.has_flag("fuzzy") && !message.is_header();
        if (!message.is_header()) {
            if (!translated) ++summary.untranslated;
            if (translated && fuzzy) ++summary.fuzzy;
            if (translated && !fuzzy) ++summary.translated;
            if (!translated || fuzzy) sink_.incomplete(key, translated, message.line);
        }
        if (!translated || (fuzzy && !options_.use_fuzzy)) return;
        if (message.has_plural && (rule_failed_ || !plural_forms_fit(message) || !plural_forms_stay_small(message, key))) {
            return;
        }
        if (!message.is_header()) {
            for (const Finding &finding : check_printf(message, few_numbers_)) report(finding);
        }
        emit(key, message.translations.front(), message.line);
        if (message.has_plural) store_plural_forms(message, key);
    }

    // At the end of the file: a rule that could not be read, where no entry needed it, is a warning.
    void finish() {
        if (!unread_rule_.empty()) report(warning_at(plural_forms_line_, unread_rule_ + "; no entry has plural forms"));
    }

    PoSummary summary;

private:
    void report(const Finding &finding) {
        if (finding.is_error()) ++summary.errors;
        sink_.finding(finding);
    }
    void error(std::uint64_t line, const std::string &text) { report(error_at(line, text)); }

    // An entry to the catalog: with --keep-charset, a converted file's key and text go back to the
    // file's own bytes; a Shift_JIS text shows its 0x5C and 0x7E as gettext does (the key stays as
    // the program spells it).
    void emit(const std::string &key, const std::string &value, std::uint64_t line) {
        if (converted_from_.empty()) return sink_.entry(key, value, line);
        if (!options_.keep_charset) {
            return sink_.entry(key, is_jis_roman_charset(converted_from_) ? in_jis_roman(value) : value, line);
        }
        sink_.entry(convert_from_utf8(key, converted_from_).text, convert_from_utf8(value, converted_from_).text, line);
    }

    // The line to add to the header for its language.
    std::string rule_to_paste() const {
        return "add the rule for " + language_ + ", \"Plural-Forms: " + language_rule_ + "\\n\"";
    }

    void header(const PoMessage &message) {
        const std::string &text = message.translations.empty() ? std::string() : message.translations.front();
        header_line_ = message.line;
        language_ = header_field(text, "Language");
        language_rule_ = language_.empty() ? nullptr : plural_forms_for(language_);
        if (header_keys_in_context(text)) keys_by_context_ = true;
        const std::string charset = charset_of(header_field(text, "Content-Type"));
        declared_utf8_ = same_name(charset, "utf-8") || same_name(charset, "utf8");
        const std::string plural_forms = header_field(text, "Plural-Forms");
        if (!plural_forms.empty()) {
            plural_forms_line_ = message.line;
            std::string problem;
            if (!rule_.parse(plural_forms, problem)) {
                // As gettext: the default rule stands, and the rule matters only to plural entries.
                unread_rule_ = "the header's Plural-Forms does not parse: " + problem;
                rule_ = PluralRule();
            }
            if (rule_.plural_count() > max_plural_forms) {
                error(message.line, too_many_forms(rule_.plural_count()));
                rule_ = PluralRule();  // the file fails: its plural entries are left out, not multiplied
                rule_failed_ = true;
            }
            few_numbers_ = forms_serving_few_numbers(rule_);
            if (options_.check_plural_rule && unread_rule_.empty() && !rule_failed_) check_rule(message.line);
        }
        if (!converted_from_.empty()) declared_utf8_ = true;  // its bytes are UTF-8 now
    }

    // The header's rule against its language's, and forms that no number reaches: warnings.
    void check_rule(std::uint64_t line) {
        const std::string language = language_.empty() ? options_.file_language : language_;
        const std::string differs = language.empty() ? std::string() : differs_from_known_rule(rule_, language, plural_forms_for(language));
        if (!differs.empty()) report(warning_at(line, differs));
        for (const std::string &unreached : unreached_forms(rule_)) report(warning_at(line, unreached));
    }

    // As many translations as the rule has forms, else an error that names the header line to fix
    // (once, when the header has no rule: every other plural entry is then left out without one).
    bool plural_forms_fit(const PoMessage &message) {
        if (message.translations.size() == rule_.plural_count()) return true;
        const std::string has = "the entry has " + std::to_string(message.translations.size()) + " plural forms, but ";
        error(message.translation_line,
              plural_forms_line_ ? has + "the header's Plural-Forms (line " + std::to_string(plural_forms_line_) + ") has nplurals=" +
                                       std::to_string(rule_.plural_count())
                                 : has + "a header without Plural-Forms means nplurals=2; plural=n != 1;: add the "
                                         "language's rule to the header");
        // Without a rule in the header, the header is the one fault: said once, not per entry.
        if (!plural_forms_line_) rule_failed_ = true;
        return false;
    }

    static bool holds_inttypes_macro(const PoMessage &message) {
        if (has_inttypes_macro(message.id) || has_inttypes_macro(message.plural_id)) return true;
        for (const std::string &text : message.translations) {
            if (has_inttypes_macro(text)) return true;
        }
        return false;
    }

    // Whether every field of an entry is UTF-8, as the header declares; else an error that names the
    // field and the byte, and the entry is left out.
    bool fields_are_utf8(const PoMessage &message) {
        const auto check = [&](const std::string &text, const std::string &field) {
            const std::size_t bad = first_invalid_utf8(text);
            if (bad == text.size()) return true;
            error(message.line, "the entry's " + field + " holds a byte that is not UTF-8 (" + excerpt(text.substr(bad, 1)) +
                                    " at byte " + std::to_string(bad + 1) + " of the text), though the header says charset=UTF-8: "
                                    "convert the file (for example iconv -f ISO-8859-1 -t UTF-8 FILE) or declare its real charset");
            return false;
        };
        if (!check(message.context, "msgctxt") || !check(message.id, "msgid") || !check(message.plural_id, "msgid_plural")) return false;
        for (std::size_t form = 0; form < message.translations.size(); ++form) {
            if (!check(message.translations[form], message.has_plural ? "msgstr[" + std::to_string(form) + "]" : "msgstr")) return false;
        }
        return true;
    }

    // Whether a plural entry that has a translation has it in every form: one empty form would show
    // the source text for some numbers and the translation for others, so such an entry counts as
    // untranslated and is left out, with a warning that names the form.
    bool every_form_given(const PoMessage &message) {
        for (std::size_t form = 1; form < message.translations.size(); ++form) {
            if (!message.translations[form].empty()) continue;
            report(warning_at(message.translation_line,
                              "msgstr[" + std::to_string(form) + "] is empty: the entry counts as untranslated and is left "
                              "out, so that every number shows the source text"));
            return false;
        }
        return true;
    }

    // Whether the catalog entries of a plural entry's forms, each of which repeats its key, take at
    // most a few times the entry's own text (its decoded strings, and a keyword for each form), so
    // that a catalog stays within a small multiple of its PO file; else an error says why.
    bool plural_forms_stay_small(const PoMessage &message, const std::string &key) {
        std::size_t stored = 0;
        std::size_t own = message.context.size() + message.id.size() + message.plural_id.size();
        for (std::size_t form = 0; form < message.translations.size(); ++form) {
            const std::size_t value = message.translations[form].size();
            own += value + form_keyword_bytes;
            if (form == 0 || value > 0) stored += key.size() + value + (form == 0 ? 0 : form_key_bytes);
        }
        if (stored <= max_catalog_growth * own) return true;
        error(message.translation_line, "the entry's plural forms would take " + std::to_string(stored) +
                                            " bytes in the catalog, more than " + std::to_string(max_catalog_growth) +
                                            " times its own " + std::to_string(own) + ", as each form repeats its key of " +
                                            std::to_string(key.size()) + " bytes: use a shorter key");
        return false;
    }

    // Form 0 is stored under the key; form k under the key, a line feed, '#' and k, a key that no
    // catalog source can hold, and that must not be any other entry's.
    void store_plural_forms(const PoMessage &message, const std::string &key) {
        for (std::size_t form = 1; form < message.translations.size(); ++form) {
            const std::string form_key = plural_form_key(key, form);
            if (const std::uint64_t other = first_lines_.find_or_add(form_key, first_lines_.hash(form_key), message.line)) {
                Finding clash = error_at(message.translation_line, "the key of plural form " + std::to_string(form) + ", " +
                                                                       quoted(form_key) + ", is also the key of another entry");
                clash.note = "that entry is defined here";
                clash.note_line = other;
                report(clash);
                continue;
            }
            emit(form_key, message.translations[form], message.line);
        }
    }

    // The entry's key; false, with an error when `report_missing` says so, when it has none.
    bool key_of(const PoMessage &message, std::string &key, bool report_missing = true) {
        if (message.is_header()) {
            key.clear();
            return true;
        }
        if (po_entry_key(message, keys_in_context(options_.keys, keys_by_context_), key)) return true;
        if (report_missing) report(missing_context_error(message));
        return false;
    }

    const PoOptions &options_;
    PoCatalogSink &sink_;
    std::string converted_from_;
    PluralRule rule_;                   // the header's, or gettext's default
    std::uint64_t plural_forms_line_ = 0;  // the header's line, when it has a Plural-Forms field
    std::uint64_t header_line_ = 0;
    std::string language_;                 // the header's Language
    const char *language_rule_ = nullptr;  // its Plural-Forms, when the table knows it
    std::vector<bool> few_numbers_ = forms_serving_few_numbers(rule_);
    bool keys_by_context_ = false;
    bool declared_utf8_ = false;  // the header's charset is UTF-8: every field must be
    bool expanding_ = false;      // the entry being read is one with its <inttypes.h> macros expanded
    struct FormatEntry {
        std::uint64_t line;
        std::size_t offset, size;  // its translations in format_texts_, each followed by a NUL
        bool expanded;
    };
    // The entries whose key holds a '%', by line, their translations back to back in one text: no
    // allocation each, as most are never looked at again.
    std::vector<FormatEntry, LargeBlockAllocator<FormatEntry>> format_entries_;
    LargeText format_texts_;
    std::string joined_;  // the entry's translations being judged, kept to reuse its memory

    const FormatEntry *format_entry_at(std::uint64_t line) const {
        const auto found = std::lower_bound(format_entries_.begin(), format_entries_.end(), line,
                                            [](const FormatEntry &entry, std::uint64_t wanted) { return entry.line < wanted; });
        return found != format_entries_.end() && found->line == line ? &*found : nullptr;
    }
    std::string_view format_translations(const FormatEntry &entry) const {
        return std::string_view(format_texts_.data() + entry.offset, entry.size);
    }
    bool rule_failed_ = false;  // the header's rule was an error: plural entries are left out without their own
    std::string unread_rule_;  // why the header's rule could not be read, until a plural entry or the end
    std::string key_;  // the key being made, kept to reuse its memory
    std::size_t key_hash_ = 0;
    bool key_ready_ = false;  // key_ and key_hash_ belong to the entry being read
    FirstDefinitions first_lines_;
};

}  // namespace

PoSummary read_po_catalog(const char *bytes, std::size_t size, const PoOptions &options, PoCatalogSink &sink) {
    // A file in another charset is read converted to UTF-8 (po_charset.h); with --keep-charset,
    // each text read goes back to the file's own bytes.
    const PoInUtf8 po = po_in_utf8(std::string_view(bytes, size));
    if (po.failed) {
        sink.finding(po.problem);
        PoSummary failed;
        failed.errors = 1;
        return failed;
    }
    const std::string_view text = po.readable(std::string_view(bytes, size));
    CatalogBuilder builder{options, sink, text.size(), po.charset};
    read_po(text.data(), text.size(), builder);
    builder.finish();
    return builder.summary;
}

PoSummary read_po_catalog_pieces(const PoPieces &next, std::size_t size, const PoOptions &options, PoCatalogSink &sink) {
    CatalogBuilder builder{options, sink, size, std::string()};
    read_po_pieces(next, builder);
    builder.finish();
    return builder.summary;
}

bool is_po_path(std::string_view path) {
    const auto ends_with = [&](std::string_view suffix) {
        return path.size() >= suffix.size() && path.compare(path.size() - suffix.size(), suffix.size(), suffix) == 0;
    };
    return ends_with(".po") || ends_with(".pot");
}

}  // namespace vellix
