#include "po_writer.h"

#include "c_escape.h"
#include "line_breaks.h"

#include <cstdint>

namespace vellix {
namespace {

constexpr std::size_t page_width = 79;

// The columns a code point takes on a terminal: two for East Asian wide and full-width ones, as
// gettext's tools count them when they wrap.
std::size_t columns_of(std::uint32_t code_point) {
    const bool wide = (code_point >= 0x1100 && code_point <= 0x115F) || (code_point >= 0x2E80 && code_point <= 0xA4CF) ||
                      (code_point >= 0xAC00 && code_point <= 0xD7A3) || (code_point >= 0xF900 && code_point <= 0xFAFF) ||
                      (code_point >= 0xFE30 && code_point <= 0xFE4F) || (code_point >= 0xFF00 && code_point <= 0xFF60) ||
                      (code_point >= 0xFFE0 && code_point <= 0xFFE6) || (code_point >= 0x20000 && code_point <= 0x3FFFD);
    return wide ? 2 : 1;
}

// The length of the UTF-8 sequence that starts at text[at] (1 for a byte that starts none), and its
// code point.
std::size_t sequence_at(std::string_view text, std::size_t at, std::uint32_t &code_point) {
    const auto lead = static_cast<unsigned char>(text[at]);
    const std::size_t length = lead >= 0xF0 && lead < 0xF8 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
    code_point = lead;
    if (length == 1 || at + length > text.size()) return 1;
    code_point = lead & (0x7F >> length);
    for (std::size_t i = 1; i < length; ++i) {
        const auto next = static_cast<unsigned char>(text[at + i]);
        if ((next & 0xC0) != 0x80) return 1;
        code_point = code_point << 6 | (next & 0x3F);
    }
    return length;
}

// The columns the escaped text takes.
std::size_t columns(std::string_view text) {
    std::size_t total = 0;
    for (std::size_t at = 0; at < text.size();) {
        std::uint32_t code_point = 0;
        const std::size_t length = sequence_at(text, at, code_point);
        total += length == 1 ? (escape_for(text[at]) ? 2 : 1) : columns_of(code_point);
        at += length;
    }
    return total;
}

// Where the wrapping stands: the last place the line may break, and what came before.
struct BreakState {
    std::size_t break_at = std::string::npos;  // bytes of the line before the last opportunity
    std::size_t break_columns = 0;             // and their columns
    bool has_previous = false;                 // a character other than a space since the line feed
    BreakClass previous = BreakClass::AL;      // the class of the last such character
    bool after_spaces = false;                 // spaces came after it
};

// Whether the line may break before a character of class `next`, as the classes allow; never at the
// start of a text or line, inside a run of spaces, or before a line feed.
bool may_break_before(const BreakState &state, BreakClass next) {
    if (!state.has_previous || next == BreakClass::SP || next == BreakClass::LF) return false;
    if (state.after_spaces) return may_break_after_spaces(state.previous, next);
    return may_break_between(state.previous, next);
}

// The escaped text cut into the pieces of a wrapped field, each to stand between quotes.
std::vector<std::string> wrapped_pieces(std::string_view text, std::size_t width) {
    std::vector<std::string> pieces;
    std::string line;
    std::size_t line_columns = 0;
    BreakState state;
    for (std::size_t at = 0; at < text.size();) {
        std::uint32_t code_point = 0;
        const std::size_t length = sequence_at(text, at, code_point);
        const char *escape = length == 1 ? escape_for(text[at]) : nullptr;
        const std::string_view escaped = escape ? std::string_view(escape) : text.substr(at, length);
        const std::size_t piece_columns = length == 1 ? escaped.size() : columns_of(code_point);
        const BreakClass next = length == 1 && code_point >= 0x80 ? BreakClass::AL : break_class(code_point);
        if (may_break_before(state, next)) {
            state.break_at = line.size();
            state.break_columns = line_columns;
        }
        if (line_columns + piece_columns > width && state.break_at != std::string::npos) {
            pieces.push_back(line.substr(0, state.break_at));
            line.erase(0, state.break_at);
            line_columns -= state.break_columns;
            state.break_at = std::string::npos;
        }
        line += escaped;
        line_columns += piece_columns;
        if (next == BreakClass::LF) {
            // A line feed ends the piece, which stays with what comes before it.
            pieces.push_back(line);
            line.clear();
            line_columns = 0;
            state = BreakState{};
        } else if (next == BreakClass::SP) {
            state.after_spaces = state.has_previous;
        } else {
            state.has_previous = true;
            state.previous = next;
            state.after_spaces = false;
        }
        at += length;
    }
    if (!line.empty()) pieces.push_back(line);
    return pieces;
}

}  // namespace

std::string po_field(std::string_view keyword, std::string_view text) {
    const std::size_t inner_newline = text.find('\n');
    const bool no_inner_newline = inner_newline == std::string_view::npos || inner_newline + 1 == text.size();
    // On the keyword's line when it fits there, or when it cannot break at all before its width.
    const std::size_t first_width = page_width > keyword.size() + 3 ? page_width - keyword.size() - 3 : 1;
    const bool one_line = no_inner_newline && (keyword.size() + columns(text) + 3 <= page_width ||
                                               wrapped_pieces(text, first_width).size() == 1);
    std::string field(keyword);
    if (one_line) return field + " \"" + escaped(text) + "\"\n";
    field += " \"\"\n";
    for (const std::string &piece : wrapped_pieces(text, page_width - 2)) field += "\"" + piece + "\"\n";
    return field;
}

namespace {

// Every line of `text` behind `prefix`.
std::string prefixed(const std::string &text, const char *prefix) {
    std::string lines;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find('\n', start);
        lines += prefix + text.substr(start, end - start + 1);
        if (end == std::string::npos) {
            lines += '\n';
            break;
        }
        start = end + 1;
    }
    return lines;
}

}  // namespace

std::vector<std::string> wrapped_references(const std::vector<std::string> &references) {
    std::vector<std::string> lines;
    std::string line;
    for (const std::string &reference : references) {
        // "#: " and the line must fit.
        if (!line.empty() && 3 + line.size() + 1 + reference.size() > page_width) {
            lines.push_back(line);
            line.clear();
        }
        line += (line.empty() ? "" : " ") + reference;
    }
    if (!line.empty()) lines.push_back(line);
    return lines;
}

std::string po_entry(const PoMessage &message, bool obsolete) {
    std::string entry;
    for (const std::string &comment : message.translator_comments) entry += comment.empty() ? "#\n" : "# " + comment + "\n";
    for (const std::string &comment : message.extracted_comments) entry += "#. " + comment + "\n";
    for (const std::string &reference : message.references) entry += "#: " + reference + "\n";
    if (!message.flags.empty()) {
        entry += "#,";
        for (std::size_t i = 0; i < message.flags.size(); ++i) entry += (i ? ", " : " ") + message.flags[i];
        entry += "\n";
    }
    if (message.has_previous_id) {
        // Entries are matched by key, so the previous context is the present one.
        if (message.has_context) entry += prefixed(po_field("msgctxt", message.context), "#| ");
        entry += prefixed(po_field("msgid", message.previous_id), "#| ");
    }
    std::string fields;
    if (message.has_context) fields += po_field("msgctxt", message.context);
    fields += po_field("msgid", message.id);
    if (message.has_plural) fields += po_field("msgid_plural", message.plural_id);
    for (std::size_t form = 0; form < message.translations.size(); ++form) {
        fields += po_field(message.has_plural ? "msgstr[" + std::to_string(form) + "]" : "msgstr", message.translations[form]);
    }
    return entry + (obsolete ? prefixed(fields, "#~ ") : fields);
}

std::string po_header(const std::string &plural_forms) {
    std::string header = "msgid \"\"\n"
                         "msgstr \"\"\n"
                         "\"Project-Id-Version: PACKAGE VERSION\\n\"\n"
                         "\"MIME-Version: 1.0\\n\"\n"
                         "\"Content-Type: text/plain; charset=UTF-8\\n\"\n"
                         "\"Content-Transfer-Encoding: 8bit\\n\"\n";
    if (!plural_forms.empty()) header += "\"Plural-Forms: " + escaped(plural_forms) + "\\n\"\n";
    return header + "\"X-Vellix-Keys: msgctxt\\n\"\n";
}

}  // namespace vellix
