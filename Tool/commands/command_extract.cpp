// vellix extract [-o OUTPUT] [--keyword=NAME:KEY,TEXT[,PLURAL]]... [--add-comments=TAG] FILE...:
// the keys and texts of the lookups in C and C++ code, as a PO template.
#include "file_scan.h"
#include "commands.h"
#include "option_reader.h"
#include "parallel_parts.h"
#include "replace_file.h"
#include "po_writer.h"
#include "printf_format.h"
#include "text_escape.h"
#include "utf8.h"
#include "first_definitions.h"
#include "text_store.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace vellix {
namespace {

// A function or macro whose calls hold a key and a text: argument positions from 1, 0 for none.
struct Keyword {
    std::size_t key = 0;
    std::size_t text = 0;
    std::size_t plural = 0;
};

const std::pair<const char *, Keyword> default_keywords[] = {
    {"vellix_get", {2, 3, 0}},       {"vellix_index_get", {2, 3, 0}}, {"vellix_nget", {2, 4, 5}},
    {"vellix_index_nget", {2, 4, 5}}, {"vellix_getf", {2, 3, 0}},      {"vellix_ngetf", {2, 4, 5}},
    // vellix.hpp's catalog: texts.tr("key", "text", ...) and texts->ntr("key", n, "one", "many", ...).
    {".tr", {1, 2, 0}}, {".ntr", {1, 3, 4}}};

// "NAME:KEY,TEXT[,PLURAL]"; false when it is not that.
bool parse_keyword(const std::string &written, std::string &name, Keyword &keyword) {
    const std::size_t colon = written.find(':');
    if (colon == std::string::npos || colon == 0) return false;
    name = written.substr(0, colon);
    std::vector<std::size_t> positions;
    std::size_t at = colon + 1;
    while (at <= written.size()) {
        const std::size_t comma = std::min(written.find(',', at), written.size());
        const std::string number = written.substr(at, comma - at);
        if (number.empty() || number.size() > 3 || number.find_first_not_of("0123456789") != std::string::npos) return false;
        positions.push_back(std::stoul(number));
        if (positions.back() == 0) return false;
        at = comma + 1;
    }
    if (positions.size() < 2 || positions.size() > 3) return false;
    keyword = Keyword{positions[0], positions[1], positions.size() == 3 ? positions[2] : 0};
    return true;
}

// Where a text is given: a file (an index into the paths given) and a line.
struct Place {
    std::size_t file;
    std::uint64_t line;
};

// A reference of an entry, written "file:line" only in the template; an entry's references are a
// chain through `next` in one list of them all, so that none costs an allocation of its own.
struct Reference {
    Place place;
    std::size_t next;
};
constexpr std::size_t no_reference = static_cast<std::size_t>(-1);

struct Extracted {
    std::string_view key, text, plural_text;  // kept in the extraction's text store
    bool plural = false;
    std::size_t first_reference = no_reference, last_reference = no_reference;
    std::vector<std::string> comments;
    Place first{};  // where the text was first given, for messages
};

class Extraction {
public:
    // Room for 64 entries and references a file, so that the lists are seldom moved as they grow;
    // reserved memory costs nothing until it is touched.
    explicit Extraction(const std::vector<std::string> &paths) : paths(paths), positions_(1 << 13, 1 << 18) {
        entries.reserve(std::min<std::size_t>(paths.size(), 1 << 16) * 64);
        references.reserve(std::min<std::size_t>(paths.size(), 1 << 16) * 64);
    }

    // The calls of the file paths[file], its findings to `findings`.
    void call(std::size_t file, const FoundCall &call, const Keyword &keyword, FindingSink &findings) {
        const auto warn = [&findings](std::uint64_t line, std::string text) { findings.finding(warning_at(line, std::move(text))); };
        const auto argument = [&](std::size_t position) -> const CallArgument * {
            return position >= 1 && position <= call.arguments.size() ? &call.arguments[position - 1] : nullptr;
        };
        const CallArgument *key = argument(keyword.key);
        const CallArgument *text = argument(keyword.text);
        const CallArgument *plural = keyword.plural ? argument(keyword.plural) : nullptr;
        // The body of a wrapper macro, whose arguments are its parameters or literals: its own
        // calls (named with --keyword) hold the literals. Any other expression is still said.
        bool wrapper = false, other = false;
        for (const CallArgument *given : {key, text, plural}) {
            if (given && given->is_macro_parameter) wrapper = true;
            if (given && !given->is_macro_parameter && !given->is_literal) other = true;
        }
        if (wrapper && !other) return;
        // Another class's member of the same name (Qt's tr("text"), say): too few arguments, or
        // neither key nor text a literal, is not a vellix call.
        if (call.name[0] == '.' && (!key || !text || (keyword.plural && !plural) || (!key->is_literal && !text->is_literal))) {
            return;
        }
        if (!key || !key->is_literal) {
            return warn(call.line, "the key is not a string literal; the call is skipped");
        }
        const std::string_view text_given = text && text->is_literal ? std::string_view(text->text) : std::string_view();
        const std::string_view plural_given = plural && plural->is_literal ? std::string_view(plural->text) : std::string_view();
        // Like xgettext, a reference names the line where the text starts.
        const Place place{file, text && text->is_literal ? text->line : call.line};
        const std::size_t hash = positions_.hash(key->text);
        // A key met before with the same texts and kind (most repeated calls) had them checked
        // then: only its place and comment are new. (An escape left out of a text is not the same.)
        const bool all_literal = text && text->is_literal && (!keyword.plural || (plural && plural->is_literal));
        const bool escapes_kept = !key->escape_too_large && !(text && text->escape_too_large) && !(plural && plural->escape_too_large);
        if (const std::uint64_t known = all_literal && escapes_kept ? positions_.find(key->text, hash) : 0) {
            Extracted &entry = entries[known - 1];
            if (entry.text == text_given && entry.plural == (keyword.plural != 0) && entry.plural_text == plural_given) {
                add_place(entry, place, call.comment);
                return;
            }
        }
        if (!text || !text->is_literal) warn(call.line, "the text is not a string literal; the entry's msgid is empty");
        if (keyword.plural && (!plural || !plural->is_literal)) {
            warn(call.line, "the plural text is not a string literal; the entry's msgid_plural is empty");
        }
        // What a PO file cannot hold would make a template that no tool reads back.
        for (const CallArgument *argument : {key, text, plural}) {
            if (!argument || !argument->is_literal) continue;
            const char *problem = nullptr;
            if (argument->escape_too_large) {
                problem = "has an escape above \\xFF, which compilers refuse in a narrow string";
            } else if (argument->text.find('\0') != std::string::npos) {
                problem = "holds a NUL byte, which a PO file cannot hold";
            } else if (!is_valid_utf8(argument->text)) {
                problem = "is not valid UTF-8, which a PO file cannot hold";
            }
            if (problem) {
                return warn(argument->line, std::string("a string literal of the call ") + problem + "; the call is skipped");
            }
        }
        // The table keeps each key's entry, plus one.
        const std::uint64_t known = positions_.find_or_add(key->text, hash, entries.size() + 1);
        if (known == 0) {
            Extracted &made = entries.emplace_back();
            made.key = texts_.keep(key->text);
            made.text = texts_.keep(text_given);
            made.plural = keyword.plural != 0;
            made.plural_text = texts_.keep(plural_given);
            made.first = Place{file, call.line};
            add_place(made, place, call.comment);
            return;
        }
        Extracted &entry = entries[known - 1];
        if (entry.text != text_given || entry.plural != (keyword.plural != 0) || entry.plural_text != plural_given) {
            Finding clash = error_at(call.line, "key " + quoted(std::string(entry.key)) + " is used with another text than before");
            clash.note = "the key's text is first given here";
            clash.note_line = entry.first.line;
            clash.note_path = paths[entry.first.file];
            findings.finding(clash);
            failed = true;
            return;
        }
        add_place(entry, place, call.comment);
    }

    const std::vector<std::string> &paths;
    std::vector<Extracted> entries;
    std::vector<Reference> references;
    bool failed = false;

private:
    void add_place(Extracted &entry, const Place &place, const std::string &comment) {
        references.push_back(Reference{place, no_reference});
        if (entry.last_reference == no_reference) {
            entry.first_reference = references.size() - 1;
        } else {
            references[entry.last_reference].next = references.size() - 1;
        }
        entry.last_reference = references.size() - 1;
        if (!comment.empty() && (entry.comments.empty() || entry.comments.back() != comment)) entry.comments.push_back(comment);
    }

    FirstDefinitions positions_;
    TextStore texts_;
};

bool is_format(std::string_view text) {
    if (text.find('%') == std::string_view::npos) return false;  // most texts: no conversion to read
    const PrintfFormat format = read_printf_format(std::string(text));
    return format.invalid_because.empty() && !format.argument_types.empty();
}

// The template's entry: the key as msgctxt, the texts as msgid (and msgid_plural), translations
// empty. Made in `message`, one per thread reused for every entry, so that its strings keep their
// memory from one entry to the next.
void make_template_entry(const Extracted &entry, const Extraction &extraction, PoMessage &message,
                         std::vector<std::string> &references) {
    message.extracted_comments.assign(entry.comments.begin(), entry.comments.end());
    std::size_t count = 0;
    for (std::size_t at = entry.first_reference; at != no_reference; at = extraction.references[at].next) {
        const Place &place = extraction.references[at].place;
        if (count == references.size()) references.emplace_back();
        references[count++].assign(extraction.paths[place.file]).append(1, ':').append(std::to_string(place.line));
    }
    references.resize(count);
    message.references = wrapped_references(references);
    message.flags.clear();
    if (is_format(entry.text) || (entry.plural && is_format(entry.plural_text))) message.flags.emplace_back("c-format");
    message.has_context = true;
    message.context.assign(entry.key);
    message.id.assign(entry.text);
    message.has_plural = entry.plural;
    message.plural_id.assign(entry.plural_text);
    message.translations.resize(entry.plural ? 2 : 1);
}

// The template's text in pieces: the header, then the entries in parts, one per core, each made
// on its own thread. Written one after the other, they are the bytes one pass would give, made in a
// fraction of its time and never copied into one text.
std::vector<std::string> template_pieces(const Extraction &extraction) {
    const std::size_t count = extraction.entries.size();
    std::vector<std::string> pieces(1 + part_count(count, 2000));
    pieces[0] = po_header("");
    const std::size_t parts = pieces.size() - 1;
    run_parts(parts, [&](std::size_t part) {
        PoMessage message;
        std::vector<std::string> references;
        std::string &text = pieces[1 + part];
        const std::size_t begin = count * part / parts, end = count * (part + 1) / parts;
        // Room for what the entries take, so that the text is not copied as it grows: each has its
        // texts, about 30 bytes per reference and 60 of keywords and quotes.
        std::size_t room = 0;
        for (std::size_t i = begin; i < end; ++i) {
            const Extracted &entry = extraction.entries[i];
            room += entry.key.size() + entry.text.size() + entry.plural_text.size() + 120;
        }
        text.reserve(room + room / 4);
        for (std::size_t i = begin; i < end; ++i) {
            make_template_entry(extraction.entries[i], extraction, message, references);
            text += '\n';
            append_po_entry(text, message);
        }
    });
    return pieces;
}

}  // namespace

// extract [-o OUTPUT] [--keyword=NAME:KEY,TEXT[,PLURAL]]... [--add-comments=TAG] FILE...
int run_extract(const Messages &messages, const Arguments &words) {
    std::map<std::string, Keyword, std::less<>> keywords(std::begin(default_keywords), std::end(default_keywords));
    std::string output, tag;
    CommandLine line;
    if (!read_command_line(messages, "extract", words,
                           {{'o', "output", "an OUTPUT"}, {'k', "keyword", "a NAME:KEY,TEXT[,PLURAL]"}, {'c', "add-comments", "a TAG"}},
                           line)) {
        return status_trouble;
    }
    for (const GivenOption &option : line.options) {
        if (option.is("output")) output = option.value;
        if (option.is("add-comments")) tag = option.value;
        if (!option.is("keyword")) continue;
        std::string name;
        Keyword keyword;
        if (!parse_keyword(option.value, name, keyword)) {
            return messages.usage_error("extract: '" + option.value + "' is not NAME:KEY,TEXT[,PLURAL]");
        }
        keywords[name] = keyword;
    }
    const std::vector<std::string> &paths = line.operands;
    if (paths.empty()) return messages.usage_error("extract: no FILE given");

    Extraction extraction{paths};
    int status = status_clean;
    // The files are scanned on every core; their calls come back in the order of the files.
    scan_files(paths, [&](std::string_view name) { return keywords.count(name) != 0; }, tag,
               [&](std::size_t index, ScannedFile &outcome) {
                   if (!outcome.scanned) {
                       source_usable_or_report(messages, paths[index], outcome.source);
                       status = status_trouble;
                       return;
                   }
                   FindingPrinter printer{stderr, paths[index]};
                   for (std::size_t i = 0; i < outcome.call_count; ++i) {
                       const FoundCall &call = outcome.calls[i];
                       extraction.call(index, call, keywords.find(call.name)->second, printer);
                   }
               });
    if (status != status_clean) return status;
    if (extraction.failed) return status_findings;
    if (extraction.entries.empty()) {
        // An empty template would make the next merge put every translation aside: say so instead.
        std::string names;
        for (const auto &keyword : keywords) names += (names.empty() ? "" : ", ") + keyword.first;
        messages.trouble("extract: found no call with a literal key in " + std::to_string(paths.size()) +
                         (paths.size() == 1 ? " file" : " files") + " (looked for " + names +
                         "); nothing is written. Name wrapper functions and macros with --keyword=NAME:KEY,TEXT[,PLURAL]");
        return status_findings;
    }
    const std::vector<std::string> pieces = template_pieces(extraction);
    return write_output(messages, output, std::vector<std::string_view>(pieces.begin(), pieces.end()));
}

}  // namespace vellix
