#include "po_reader.h"

#include "po_strings.h"
#include "source_parser.h"
#include "text_escape.h"

#include <algorithm>
#include <cstring>
#include <memory>

namespace vellix {
namespace {

bool is_space(char c) { return c == ' ' || c == '\t' || c == '\f' || c == '\v' || c == '\r'; }

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && is_space(text.front())) text.remove_prefix(1);
    while (!text.empty() && is_space(text.back())) text.remove_suffix(1);
    return text;
}

// The field that string lines continue.
enum class Field { none, context, id, plural_id, translation };

class PoParser {
public:
    // `obsolete` reads what follows "#~" on obsolete lines; null for the parser that reads them.
    PoParser(PoSink &sink, PoParser *obsolete) : sink_(sink), obsolete_(obsolete) {}

    void line(std::uint64_t number, std::string_view text) {
        text = trimmed(text);
        if (broken_) {
            if (!starts_entry(text)) return;
            reset();
        }
        if (text.empty()) return;
        if (text.front() == '#') return comment(number, text);
        if (text.front() == '"') return continuation(number, text);
        std::size_t keyword_end = 0;
        while (keyword_end < text.size() && !is_space(text[keyword_end]) && text[keyword_end] != '"') ++keyword_end;
        keyword(number, text.substr(0, keyword_end), text.substr(keyword_end));
    }

    void end() {
        if (!broken_) finish_entry();
        if (obsolete_) obsolete_->end();
    }

private:
    static bool starts_entry(std::string_view text) {
        return text.empty() || text.front() == '#' || text.compare(0, 7, "msgctxt") == 0 ||
               (text.compare(0, 5, "msgid") == 0 && text.compare(0, 12, "msgid_plural") != 0);
    }

    // Clears the entry in place, so that its strings keep their memory for the next one.
    void reset() {
        current_.line = current_.translation_line = 0;
        current_.has_context = current_.has_plural = false;
        current_.context.clear();
        current_.id.clear();
        current_.plural_id.clear();
        // The translations' strings go to a pool, so that the next entry reuses their memory.
        for (std::string &translation : current_.translations) spare_.push_back(std::move(translation));
        current_.translations.clear();
        current_.flags.clear();
        current_.translator_comments.clear();
        current_.extracted_comments.clear();
        current_.references.clear();
        current_.has_previous_id = false;
        current_.previous_id.clear();
        field_ = Field::none;
        has_id_ = has_translation_ = broken_ = false;
    }

    void error(std::uint64_t number, const std::string &text) {
        sink_.syntax_error(number, text);
        broken_ = true;
    }

    // Ends the entry read so far, if it has keywords: a complete one goes to the sink.
    void finish_entry() {
        if (field_ == Field::none) return;
        if (!has_id_) {
            sink_.syntax_error(current_.line, "msgctxt without msgid");
        } else if (!has_translation_) {
            sink_.syntax_error(current_.line, current_.has_plural ? "missing 'msgstr[]' section" : "missing 'msgstr' section");
        } else {
            sink_.take_message(current_);
        }
        reset();
    }

    void comment(std::uint64_t number, std::string_view text) {
        finish_entry();
        if (text.compare(0, 2, "#~") == 0) {
            // Obsolete: kept by editors, never compiled; read apart, for those who want them.
            if (obsolete_ && text.compare(0, 3, "#~|") != 0) obsolete_->line(number, text.substr(2));
            return;
        }
        std::string_view rest = text.size() > 1 ? text.substr(2) : std::string_view();
        const char kind = text.size() > 1 ? text[1] : ' ';
        if (kind == ',') {
            while (!rest.empty()) {
                const std::size_t comma = rest.find(',');
                const std::string_view flag = trimmed(rest.substr(0, comma));
                if (!flag.empty()) current_.flags.emplace_back(flag);
                if (comma == std::string_view::npos) break;
                rest = rest.substr(comma + 1);
            }
        } else if (kind == '.') {
            current_.extracted_comments.emplace_back(trimmed(rest));
        } else if (kind == ':') {
            current_.references.emplace_back(trimmed(rest));
        } else if (kind == '|') {
            previous(trimmed(rest));
        } else {
            current_.translator_comments.emplace_back(text.size() > 1 && text[1] == ' ' ? text.substr(2) : text.substr(1));
        }
    }

    // "#| msgid" and its continued strings: the source text a fuzzy translation was made for.
    void previous(std::string_view rest) {
        const bool starts = rest.compare(0, 5, "msgid") == 0 && rest.compare(0, 12, "msgid_plural") != 0;
        if (!starts && !(rest.compare(0, 1, "\"") == 0 && in_previous_id_)) {
            in_previous_id_ = false;
            return;
        }
        if (starts) {
            current_.has_previous_id = true;
            current_.previous_id.clear();
            rest.remove_prefix(5);
        }
        in_previous_id_ = true;
        for (std::size_t at = 0; at < rest.size();) {
            if (is_space(rest[at])) {
                ++at;
            } else if (rest[at] != '"' || !decode_string(rest, at, current_.previous_id, cut_).empty()) {
                return;  // not a string: what was read so far stands
            }
        }
    }

    void keyword(std::uint64_t number, std::string_view name, std::string_view rest) {
        if (name == "msgctxt" || (name == "msgid" && field_ != Field::context)) finish_entry();
        if (name == "msgctxt") {
            current_.line = number;
            current_.has_context = true;
            strings(number, rest, current_.context, Field::context);
        } else if (name == "msgid") {
            if (field_ == Field::none) current_.line = number;
            has_id_ = true;
            strings(number, rest, current_.id, Field::id);
        } else if (name == "msgid_plural") {
            if (!has_id_ || current_.has_plural || has_translation_) return error(number, "msgid_plural out of place");
            current_.has_plural = true;
            strings(number, rest, current_.plural_id, Field::plural_id);
        } else if (name == "msgstr") {
            if (!has_id_ || has_translation_) return error(number, "msgstr out of place");
            if (current_.has_plural) return error(number, "a plural entry needs msgstr[0], msgstr[1], ...");
            translation(number, rest);
        } else if (name.compare(0, 7, "msgstr[") == 0 && name.back() == ']') {
            const std::string_view index = name.substr(7, name.size() - 8);
            if (!has_id_ || !current_.has_plural) return error(number, "missing 'msgid_plural' section");
            if (index != std::to_string(current_.translations.size())) {
                return error(number, "msgstr[" + excerpt(index) + "] out of order");
            }
            translation(number, rest);
        } else {
            error(number, "keyword \"" + excerpt(name) + "\" unknown");
        }
    }

    void translation(std::uint64_t number, std::string_view rest) {
        if (!has_translation_) sink_.identified(current_);
        if (!has_translation_) current_.translation_line = number;
        has_translation_ = true;
        if (spare_.empty()) {
            current_.translations.emplace_back();
        } else {
            current_.translations.push_back(std::move(spare_.back()));
            spare_.pop_back();
            current_.translations.back().clear();
        }
        strings(number, rest, current_.translations.back(), Field::translation);
    }

    void continuation(std::uint64_t number, std::string_view text) {
        switch (field_) {
        case Field::none:
            return error(number, "a string without a keyword before it");
        case Field::context:
            return strings(number, text, current_.context, field_);
        case Field::id:
            return strings(number, text, current_.id, field_);
        case Field::plural_id:
            return strings(number, text, current_.plural_id, field_);
        case Field::translation:
            return strings(number, text, current_.translations.back(), field_);
        }
    }

    // One or more quoted strings and nothing else, appended to `out`.
    void strings(std::uint64_t number, std::string_view text, std::string &out, Field field) {
        field_ = field;
        std::size_t at = 0;
        bool any = false;
        for (;;) {
            while (at < text.size() && is_space(text[at])) ++at;
            if (at == text.size()) break;
            if (text[at] != '"') return error(number, any ? "text after a string" : "a string must follow the keyword");
            const std::string problem = decode_string(text, at, out, cut_);
            if (!problem.empty()) return error(number, problem);
            any = true;
        }
        if (cut_) {
            sink_.warning(number, "a NUL byte inside a string ends its text there, as gettext reads it: the rest of the string is "
                                  "dropped");
            cut_ = false;
        }
        if (!any) error(number, "a string must follow the keyword");
    }

    PoSink &sink_;
    PoParser *obsolete_;
    PoMessage current_;
    Field field_ = Field::none;
    bool has_id_ = false;
    bool has_translation_ = false;
    bool broken_ = false;  // skipping to the next entry after an error
    bool in_previous_id_ = false;  // the last "#|" line was part of a previous msgid
    bool cut_ = false;              // a NUL byte cut a string of the line being read
    std::vector<std::string> spare_;  // strings of earlier translations, for their memory
};

}  // namespace

bool PoMessage::has_flag(std::string_view flag) const {
    return std::find(flags.begin(), flags.end(), flag) != flags.end();
}

namespace {

// Obsolete entries go to the sink's obsolete(); their errors are errors like any other, so that no
// entry is dropped without a word.
struct ObsoleteSink : PoSink {
    explicit ObsoleteSink(PoSink &sink) : sink_(sink) {}
    void message(const PoMessage &message) override { sink_.obsolete(message); }
    void syntax_error(std::uint64_t line, const std::string &text) override { sink_.syntax_error(line, text); }
    void warning(std::uint64_t line, const std::string &text) override { sink_.warning(line, text); }
    PoSink &sink_;
};

// Hands PO text to the parser line by line. The text may come in pieces that end anywhere: each
// piece gives its complete lines, and the rest comes again at the start of the next.
class PoLines {
public:
    explicit PoLines(PoSink &sink) : sink_(sink), obsolete_sink_(sink), obsolete_(obsolete_sink_, nullptr), parser_(sink, &obsolete_) {}

    // How many bytes at the start are a UTF-8 byte-order mark to skip; false, with an error, for a
    // UTF-16 or UTF-32 one. `start` holds at least four bytes, or the whole text.
    bool start(std::string_view start, std::size_t &skip) {
        skip = starts_with_byte_order_mark(start.data(), start.size()) ? 3 : 0;
        const char *encoding = wide_encoding(start.data(), start.size());
        if (!encoding) return true;
        sink_.syntax_error(1, std::string("the file is ") + encoding + " (it starts with a " + encoding +
                                  " byte-order mark): convert it to UTF-8, for example with iconv -f " + encoding +
                                  " -t UTF-8 FILE > NEW.po");
        return false;
    }

    // Reads the lines of `text` up to its last line feed (all of it when `last`) and gives how many
    // bytes that was. False in stopped() once a NUL byte outside a string ended the reading.
    std::size_t lines(std::string_view text, bool last) {
        const std::size_t limit = last ? text.size() : text.rfind('\n') + 1;  // 0 when it has none
        // A NUL byte outside a string means a binary or damaged file: reading stops at its line with
        // one short error rather than taking the rest for text. Inside a string, it ends the string's text.
        std::size_t nul = text.find('\0');
        // The next carriage return, found once for all the lines before it rather than sought in each.
        std::size_t cr = text.find('\r');
        std::size_t start = 0;
        for (; start < limit; ++number_) {
            std::size_t end = text.find('\n', start);
            if (end == std::string_view::npos) end = text.size();
            // A carriage return not followed by a line feed ends a line too (old Mac editors). Before
            // the piece's last line feed, the byte after each one is known.
            if (cr < start) cr = text.find('\r', start);
            if (cr != std::string_view::npos && cr + 1 < end) end = cr;
            const std::string_view line = text.substr(start, end - start);
            if (nul < end) {
                if (!nuls_inside_strings(line)) {
                    sink_.syntax_error(number_, "a NUL byte, which PO text never holds outside a string: the file is read no further");
                    stopped_ = true;
                    return text.size();
                }
                nul = text.find('\0', end);
            }
            parser_.line(number_, line);
            start = end + 1;
        }
        return std::min(start, text.size());
    }
    bool stopped() const { return stopped_; }
    void end() {
        if (!stopped_) parser_.end();
    }

private:
    PoSink &sink_;
    ObsoleteSink obsolete_sink_;
    PoParser obsolete_;
    PoParser parser_;
    std::uint64_t number_ = 1;
    bool stopped_ = false;
};

}  // namespace

void read_po(const char *bytes, std::size_t size, PoSink &sink) {
    PoLines lines{sink};
    std::size_t skip = 0;
    if (!lines.start(std::string_view(bytes, size), skip)) return;
    lines.lines(std::string_view(bytes + skip, size - skip), true);
    lines.end();
}

void read_po_pieces(const PoPieces &next, PoSink &sink) {
    PoLines lines{sink};
    // One buffer for every piece; it grows only for a line longer than itself.
    std::size_t capacity = std::size_t{1} << 20, held = 0;
    std::unique_ptr<char[]> buffer(new char[capacity]);
    bool started = false;
    for (bool last = false; !last;) {
        if (held == capacity) {
            std::unique_ptr<char[]> larger(new char[capacity * 2]);
            std::memcpy(larger.get(), buffer.get(), held);
            buffer = std::move(larger);
            capacity *= 2;
        }
        std::size_t fresh = held;  // where the bytes not yet searched for a line feed begin
        const std::size_t got = next(buffer.get() + held, capacity - held);
        last = got == 0;
        held += got;
        if (!started) {
            if (held < 4 && !last) continue;
            started = true;
            std::size_t skip = 0;
            if (!lines.start(std::string_view(buffer.get(), held), skip)) return;
            std::memmove(buffer.get(), buffer.get() + skip, held - skip);
            held -= skip;
            fresh = 0;
        }
        // What is kept from earlier pieces holds no line feed: without one among the new bytes, no
        // line is complete yet, and nothing is searched twice however small the pieces.
        if (!last && std::memchr(buffer.get() + fresh, '\n', held - fresh) == nullptr) continue;
        const std::size_t used = lines.lines(std::string_view(buffer.get(), held), last);
        if (lines.stopped()) return;
        if (used == 0) continue;
        std::memmove(buffer.get(), buffer.get() + used, held - used);
        held -= used;
    }
    lines.end();
}

}  // namespace vellix
