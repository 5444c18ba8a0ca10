#include "po_writer.h"

#include "c_escape.h"
#include "line_breaks.h"
#include "printf_format.h"

#include <algorithm>
#include <cstdint>

namespace vellix {
namespace {

constexpr std::size_t page_width = 79;

// The columns a code point takes on a terminal.
std::size_t columns_of(std::uint32_t code_point) { return is_wide(code_point) ? 2 : 1; }

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
        if (static_cast<unsigned char>(text[at]) < 0x80) {  // ASCII, most of every text, without decoding
            total += escape_for(text[at]) ? 2 : 1;
            ++at;
            continue;
        }
        std::uint32_t code_point = 0;
        const std::size_t length = sequence_at(text, at, code_point);
        total += length == 1 ? (escape_for(text[at]) ? 2 : 1) : columns_of(code_point);
        at += length;
    }
    return total;
}

// Where the wrapping stands: the last place the line may break, and what came before.
struct BreakState {
    std::size_t break_at = std::string::npos;  // where the output stands at the last opportunity
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

// The bytes of `text` before which a line must not break: those inside a printf conversion, which
// gettext's tools keep whole in a c-format entry. Empty when there are none.
std::vector<bool> inside_conversions(std::string_view text) {
    std::vector<bool> inside;
    if (text.find('%') == std::string_view::npos) return inside;
    const PrintfFormat format = read_printf_format(text);
    // gettext's tools keep whole the conversions they read before the format's first fault.
    if (format.before_first_fault == 0) return inside;
    inside.assign(text.size() + 1, false);
    for (std::size_t i = 0; i < format.before_first_fault; ++i) {
        for (std::size_t at = 1; at < format.conversions[i].size(); ++at) inside[format.offsets[i] + at] = true;
    }
    return inside;
}

// The escaped text of a wrapped field, and where each of its pieces (each to stand between quotes)
// ends; never broken before a byte that `glued` marks.
struct WrappedText {
    std::string escaped;
    std::vector<std::size_t> ends;
};

WrappedText wrapped_pieces(std::string_view text, std::size_t width, const std::vector<bool> &glued) {
    WrappedText wrapped;
    wrapped.escaped.reserve(text.size() + text.size() / 8);
    std::string &out = wrapped.escaped;
    std::size_t line_start = 0;  // where the current piece starts in `out`
    std::size_t line_columns = 0;
    BreakState state;  // its break_at is an offset in `out`
    for (std::size_t at = 0; at < text.size();) {
        std::uint32_t code_point = 0;
        const std::size_t length = sequence_at(text, at, code_point);
        const char *escape = length == 1 ? escape_for(text[at]) : nullptr;
        const std::string_view escaped = escape ? std::string_view(escape) : text.substr(at, length);
        const std::size_t piece_columns = length == 1 ? escaped.size() : columns_of(code_point);
        const BreakClass next = length == 1 && code_point >= 0x80 ? BreakClass::AL : break_class(code_point);
        if (may_break_before(state, next) && (glued.empty() || !glued[at])) {
            state.break_at = out.size();
            state.break_columns = line_columns;
        }
        if (line_columns + piece_columns > width && state.break_at != std::string::npos) {
            wrapped.ends.push_back(state.break_at);
            line_start = state.break_at;
            line_columns -= state.break_columns;
            state.break_at = std::string::npos;
        }
        out += escaped;
        line_columns += piece_columns;
        if (next == BreakClass::LF) {
            // A line feed ends the piece, which stays with what comes before it.
            wrapped.ends.push_back(out.size());
            line_start = out.size();
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
    if (line_start != out.size()) wrapped.ends.push_back(out.size());
    return wrapped;
}

}  // namespace

void append_po_field(std::string &out, std::string_view keyword, std::string_view text, std::size_t indent, bool c_format) {
    const std::size_t width = page_width - std::min(indent, page_width / 2);
    const std::size_t inner_newline = text.find('\n');
    const bool no_inner_newline = inner_newline == std::string_view::npos || inner_newline + 1 == text.size();
    // On the keyword's line when it fits there (most fields: decided without wrapping, and without
    // reading conversions), or when it cannot break at all before its width.
    const bool fits = no_inner_newline && keyword.size() + columns(text) + 3 <= width;
    const std::vector<bool> glued = c_format && !fits ? inside_conversions(text) : std::vector<bool>();
    const std::size_t first_width = width > keyword.size() + 3 ? width - keyword.size() - 3 : 1;
    out += keyword;
    if (fits || (no_inner_newline && wrapped_pieces(text, first_width, glued).ends.size() == 1)) {
        out += " \"";
        append_escaped(out, text);
        out += "\"\n";
        return;
    }
    const WrappedText wrapped = wrapped_pieces(text, width - 2, glued);
    out.reserve(out.size() + wrapped.escaped.size() + 3 * wrapped.ends.size() + 4);
    out += " \"\"\n";
    std::size_t start = 0;
    for (const std::size_t end : wrapped.ends) {
        out += '"';
        out.append(wrapped.escaped, start, end - start);
        out += "\"\n";
        start = end;
    }
}

std::string po_field(std::string_view keyword, std::string_view text, std::size_t indent, bool c_format) {
    std::string field;
    append_po_field(field, keyword, text, indent, c_format);
    return field;
}

namespace {

// Every line of `text` behind `prefix`, each ending in a line feed.
std::string prefixed(const std::string &text, const char *prefix) {
    std::string lines;
    for (std::size_t start = 0; start < text.size();) {
        const std::size_t end = std::min(text.find('\n', start), text.size());
        lines.append(prefix).append(text, start, end - start).append("\n");
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

void append_po_entry(std::string &entry, const PoMessage &message, bool obsolete) {
    // A comment of several lines (a block comment in the code) is as many comment lines.
    for (const std::string &comment : message.translator_comments) entry += comment.empty() ? "#\n" : prefixed(comment, "# ");
    for (const std::string &comment : message.extracted_comments) entry += prefixed(comment, "#. ");
    for (const std::string &reference : message.references) entry.append("#: ").append(reference).append("\n");
    if (!message.flags.empty()) {
        entry += "#,";
        for (std::size_t i = 0; i < message.flags.size(); ++i) entry.append(i ? ", " : " ").append(message.flags[i]);
        entry += "\n";
    }
    const bool c_format = message.has_flag("c-format");
    if (message.has_previous_id) {
        // Entries are matched by key, so the previous context is the present one.
        const std::string previous = obsolete ? "#~| " : "#| ";
        if (message.has_context) entry += prefixed(po_field("msgctxt", message.context, previous.size()), previous.c_str());
        entry += prefixed(po_field("msgid", message.previous_id, previous.size(), c_format), previous.c_str());
    }
    // The lines of an obsolete entry are as wide as the others, "#~ " included. An entry's fields
    // are written straight into the output; an obsolete one's first apart, to be prefixed.
    const std::size_t indent = obsolete ? 3 : 0;
    std::string obsolete_fields;
    std::string &fields = obsolete ? obsolete_fields : entry;
    if (message.has_context) append_po_field(fields, "msgctxt", message.context, indent);
    append_po_field(fields, "msgid", message.id, indent, c_format);
    if (message.has_plural) append_po_field(fields, "msgid_plural", message.plural_id, indent, c_format);
    for (std::size_t form = 0; form < message.translations.size(); ++form) {
        append_po_field(fields, message.has_plural ? "msgstr[" + std::to_string(form) + "]" : "msgstr",
                        message.translations[form], indent, c_format);
    }
    if (obsolete) entry += prefixed(obsolete_fields, "#~ ");
}

std::string po_entry(const PoMessage &message, bool obsolete) {
    std::string entry;
    append_po_entry(entry, message, obsolete);
    return entry;
}

void PoText::add(const PoMessage &entry, bool obsolete) {
    if (started_) text_ += '\n';
    started_ = true;
    append_po_entry(text_, entry, obsolete);
    if (pieces_ && text_.size() >= (std::size_t{1} << 20)) flush();
}

void PoText::flush() {
    if (!pieces_ || text_.empty()) return;
    pieces_(text_);
    text_.clear();
}

std::string po_header(const std::string &plural_forms) {
    std::string header = "Project-Id-Version: PACKAGE VERSION\n"
                         "MIME-Version: 1.0\n"
                         "Content-Type: text/plain; charset=UTF-8\n"
                         "Content-Transfer-Encoding: 8bit\n";
    if (!plural_forms.empty()) header += "Plural-Forms: " + plural_forms + "\n";
    return po_field("msgid", "") + po_field("msgstr", header + "X-Vellix-Keys: msgctxt\n");
}

}  // namespace vellix
