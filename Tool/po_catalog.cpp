#include "po_catalog.h"

#include "first_definitions.h"
#include "po_reader.h"
#include "printf_format.h"
#include "source_check.h"

#include <cctype>

namespace vellix {
namespace {

std::string lowercase(std::string text) {
    for (char &c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

// The charset named by a Content-Type value, "" when it names none.
std::string charset_of(const std::string &content_type) {
    const std::string lower = lowercase(content_type);
    const std::size_t at = lower.find("charset=");
    if (at == std::string::npos) return "";
    std::size_t end = at + 8;
    while (end < content_type.size() && content_type[end] != ';' && content_type[end] != ' ') ++end;
    return content_type.substr(at + 8, end - at - 8);
}

bool charset_is_taken_as_is(const std::string &charset) {
    const std::string lower = lowercase(charset);
    return lower.empty() || lower == "utf-8" || lower == "utf8" || lower == "ascii" || lower == "us-ascii" ||
           lower == "charset";
}

std::string listed(const std::vector<std::string> &conversions) {
    if (conversions.empty()) return "none";
    std::string text;
    for (const std::string &conversion : conversions) text += (text.empty() ? "" : " ") + conversion;
    return text;
}

class CatalogBuilder : public PoSink {
public:
    // Real entries take 60 bytes or more of a file; the table grows if there are more.
    CatalogBuilder(const PoOptions &options, PoCatalogSink &sink, std::size_t file_size)
        : options_(options), sink_(sink), first_lines_(file_size / 64, file_size / 2) {}

    void syntax_error(std::uint64_t line, const std::string &text) override { error(line, text); }

    // The key's slot is loaded while the msgstr is read, instead of being waited for afterwards.
    void identified(const PoMessage &message) override {
        key_ready_ = !message.is_header() && key_of(message, key_, false);
        if (key_ready_) first_lines_.prefetch(key_hash_ = FirstDefinitions::hash(key_));
    }

    void message(const PoMessage &message) override {
        if (message.is_header()) header(message);
        // identified() has made the key already, unless the entry is the header or lacks one.
        std::string &key = key_;
        if (!key_ready_) {
            if (!key_of(message, key)) return;
            key_hash_ = FirstDefinitions::hash(key);
        }
        key_ready_ = false;
        if (const std::uint64_t first_line = first_lines_.find_or_add(key, key_hash_, message.line)) {
            PoFinding duplicate{message.line, true, "duplicate key " + quoted(key), "first defined here", first_line};
            report(duplicate);
            return;
        }
        if (!message.is_header()) sink_.key(key, message.id, message.line);
        const bool translated = !message.translations.empty() && !message.translations.front().empty();
        // The header is no message for the translator: it is never counted, and a fuzzy one still counts.
        const bool fuzzy = message.has_flag("fuzzy") && !message.is_header();
        if (!message.is_header()) {
            if (!translated) ++summary.untranslated;
            if (translated && fuzzy) ++summary.fuzzy;
            if (translated && !fuzzy) ++summary.translated;
        }
        if (message.has_plural) {
            ++summary.plural_left_out;
            return;
        }
        if (!translated || (fuzzy && !options_.use_fuzzy)) return;
        if (!message.is_header()) check_format(message);
        sink_.entry(key, message.translations.front(), message.line);
    }

    PoSummary summary;

private:
    void report(const PoFinding &finding) {
        if (finding.error) ++summary.errors;
        sink_.finding(finding);
    }
    void error(std::uint64_t line, const std::string &text) { report(PoFinding{line, true, text, "", 0}); }

    void header(const PoMessage &message) {
        const std::string &text = message.translations.empty() ? std::string() : message.translations.front();
        if (lowercase(header_field(text, "X-Vellix-Keys")) == "msgctxt") keys_by_context_ = true;
        const std::string charset = charset_of(header_field(text, "Content-Type"));
        if (!options_.keep_charset && !charset_is_taken_as_is(charset)) {
            error(message.line, "the charset " + charset + " is not UTF-8: convert the file (msgconv --to-code=UTF-8 FILE) "
                                "or compile it with --keep-charset to copy its bytes unchanged");
        }
    }

    // The entry's key; false, with an error when `report_missing` says so, when it has none.
    bool key_of(const PoMessage &message, std::string &key, bool report_missing = true) {
        const bool by_context =
            options_.keys == PoKeys::msgctxt || (options_.keys == PoKeys::from_header && keys_by_context_);
        if (message.is_header()) {
            key.clear();
        } else if (by_context) {
            if (!message.has_context) {
                if (!report_missing) return false;
                error(message.line, "the entry has no msgctxt, which holds the keys in this file (X-Vellix-Keys: msgctxt)");
                return false;
            }
            key = message.context;
        } else {
            key = message.has_context ? message.context + '\x04' + message.id : message.id;
        }
        return true;
    }

    // A c-format entry must take the arguments its msgid takes; an unflagged one that reads as a
    // format is compared too, with a warning only.
    void check_format(const PoMessage &message) {
        if (message.has_flag("no-c-format")) return;
        const bool flagged = message.has_flag("c-format");
        if (!flagged && message.id.find('%') == std::string::npos) return;  // the common case, decided cheaply
        const PrintfFormat original = read_printf_format(message.id);
        if (!flagged && original.conversions.empty()) return;
        if (!original.invalid_because.empty()) return;  // not a format to hold the translation to
        const PrintfFormat translation = read_printf_format(message.translations.front());
        PoFinding finding{message.translation_line, flagged, "", "", 0};
        if (!translation.invalid_because.empty()) {
            finding.text = "'msgstr' is not a valid printf format, unlike 'msgid': " + translation.invalid_because;
        } else if (!same_arguments(original, translation)) {
            finding.text = "the printf conversions of 'msgstr' take other arguments than those of 'msgid': msgid " +
                           listed(original.conversions) + ", msgstr " + listed(translation.conversions);
        } else {
            return;
        }
        if (!flagged) finding.text += " (the entry is not flagged c-format)";
        report(finding);
    }

    const PoOptions &options_;
    PoCatalogSink &sink_;
    bool keys_by_context_ = false;
    std::string key_;  // the key being made, kept to reuse its memory
    std::size_t key_hash_ = 0;
    bool key_ready_ = false;  // key_ and key_hash_ belong to the entry being read
    FirstDefinitions first_lines_;
};

}  // namespace

PoSummary read_po_catalog(const char *bytes, std::size_t size, const PoOptions &options, PoCatalogSink &sink) {
    CatalogBuilder builder{options, sink, size};
    read_po(bytes, size, builder);
    if (builder.summary.plural_left_out != 0) {
        sink.finding(PoFinding{0, false,
                               std::to_string(builder.summary.plural_left_out) +
                                   " entries with plural forms are left out: plural forms are not supported yet",
                               "", 0});
    }
    return builder.summary;
}

bool is_po_path(std::string_view path) {
    const auto ends_with = [&](std::string_view suffix) {
        return path.size() >= suffix.size() && path.compare(path.size() - suffix.size(), suffix.size(), suffix) == 0;
    };
    return ends_with(".po") || ends_with(".pot");
}

}  // namespace vellix
