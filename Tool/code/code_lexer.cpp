#include "code_lexer.h"

#include "c_escape.h"
#include "inttypes_macros.h"

#include <algorithm>
#include <cstring>

namespace vellix {
namespace {

// What a byte starts, for the lexer's dispatch: one table lookup instead of a chain of comparisons.
enum class CharClass : unsigned char { other, space, line_feed, slash, quote, apostrophe, name, digit };

struct CharClasses {
    CharClass of[256];
    constexpr CharClasses() : of() {
        for (int c = 0; c < 256; ++c) {
            CharClass kind = CharClass::other;
            if (c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v') kind = CharClass::space;
            if (c == '\n') kind = CharClass::line_feed;
            if (c == '/') kind = CharClass::slash;
            if (c == '"') kind = CharClass::quote;
            if (c == '\'') kind = CharClass::apostrophe;
            if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c >= 0x80) kind = CharClass::name;
            if (c >= '0' && c <= '9') kind = CharClass::digit;
            of[c] = kind;
        }
    }
};
constexpr CharClasses char_classes;

CharClass class_of(char c) { return char_classes.of[static_cast<unsigned char>(c)]; }
bool is_identifier_start(char c) { return class_of(c) == CharClass::name; }
bool is_identifier_char(char c) {
    const CharClass kind = class_of(c);
    return kind == CharClass::name || kind == CharClass::digit;
}

// Whether the code holds a backslash-newline anywhere; most files hold none and are read in place.
bool has_splices(std::string_view code) {
    for (std::size_t at = code.find('\\'); at != std::string_view::npos; at = code.find('\\', at + 1)) {
        if (at + 1 < code.size() && (code[at + 1] == '\n' || (code[at + 1] == '\r' && at + 2 < code.size() && code[at + 2] == '\n'))) {
            return true;
        }
    }
    return false;
}

// The code with every backslash-newline removed into `text`, and the line each remaining byte
// stood on into `lines`.
void without_splices(std::string_view code, std::string &text, std::vector<std::uint32_t> &lines) {
    text.clear();
    lines.clear();
    text.reserve(code.size());
    lines.reserve(code.size() + 1);
    std::uint32_t line = 1;
    for (std::size_t i = 0; i < code.size(); ++i) {
        if (code[i] == '\\' && i + 1 < code.size() && (code[i + 1] == '\n' || (code[i + 1] == '\r' && i + 2 < code.size() && code[i + 2] == '\n'))) {
            i += code[i + 1] == '\r' ? 2 : 1;
            ++line;
            continue;
        }
        text += code[i];
        lines.push_back(line);
        if (code[i] == '\n') ++line;
    }
    lines.push_back(line);
}

// The line of a byte of the text: from the table of spliced code, or else from where the text's
// line feeds are, found once with memchr and walked with a cursor. Tokens are asked about in order,
// so each asks a comparison or two, instead of a line kept for every byte.
class LineFinder {
public:
    LineFinder(std::string_view text, const std::vector<std::uint32_t> *table, std::vector<std::size_t> &feeds)
        : table_(table), feeds_(feeds) {
        feeds_.clear();
        if (table_) return;
        for (const char *at = text.data(), *end = text.data() + text.size();
             (at = static_cast<const char *>(std::memchr(at, '\n', static_cast<std::size_t>(end - at)))) != nullptr; ++at) {
            feeds_.push_back(static_cast<std::size_t>(at - text.data()));
        }
    }
    std::uint64_t at(std::size_t position) {
        if (table_) return (*table_)[position];
        // feeds_before_ is the number of line feeds before `position`.
        while (feeds_before_ < feeds_.size() && feeds_[feeds_before_] < position) ++feeds_before_;
        while (feeds_before_ > 0 && feeds_[feeds_before_ - 1] >= position) --feeds_before_;
        return feeds_before_ + 1;
    }

private:
    const std::vector<std::uint32_t> *table_;
    std::vector<std::size_t> &feeds_;
    std::size_t feeds_before_ = 0;
};

class Lexer {
public:
    Lexer(std::string_view text, const std::vector<std::uint32_t> *line_table, std::string_view comment_tag, Lexed &lexed)
        : text_(text), lines_(text, line_table, lexed.line_feeds), tag_(comment_tag), lexed_(lexed), tokens_(lexed.tokens), strings_(lexed.strings) {}

    void lex() {
        std::vector<Token> &tokens = tokens_;
        tokens.reserve(text_.size() / 6);  // a token takes a few bytes of code; fewer reallocations
        strings_.reserve(text_.size() / 4);
        bool line_start = true;  // only spaces since the line began
        while (at_ < text_.size()) {
            const char c = text_[at_];
            const CharClass kind = class_of(c);
            // Spaces, most bytes of code after names, cost one lookup each.
            if (kind == CharClass::space) {
                ++at_;
                continue;
            }
            if (kind == CharClass::line_feed) {
                line_start = true;
                ++at_;
                continue;
            }
            if (c == '#' && line_start) macro_definition();
            line_start = false;
            switch (kind) {
            case CharClass::slash:
                if (peek(1) == '/') {
                    line_comment();
                } else if (peek(1) == '*') {
                    block_comment();
                } else {
                    push_other(tokens, c, at_++);
                }
                break;
            case CharClass::quote: string_token(tokens, false); break;
            case CharClass::apostrophe: char_literal(tokens, at_); break;
            case CharClass::name: identifier(tokens); break;
            case CharClass::digit: number(tokens); break;
            default: push_other(tokens, c, at_++); break;
            }
        }
    }

private:
    char peek(std::size_t ahead) const { return at_ + ahead < text_.size() ? text_[at_ + ahead] : '\0'; }
    std::uint64_t line_at(std::size_t at) { return lines_.at(at); }

    // A token that starts at `start`; its text is [text_start, text_start + size) of the code, or of
    // the string store for a string.
    Token &push(std::vector<Token> &tokens, TokenKind kind, std::size_t start, std::size_t text_start = 0, std::size_t size = 0) {
        Token token{kind};
        token.line = line_at(start);
        token.start = text_start;
        token.size = size;
        if (!lexed_.macros.empty() && start < lexed_.macros.back().end) token.macro = static_cast<std::uint32_t>(lexed_.macros.size());
        tokens.push_back(token);
        return tokens.back();
    }
    void push_other(std::vector<Token> &tokens, char punctuation, std::size_t start) {
        push(tokens, TokenKind::other, start).punctuation = punctuation;
    }

    // At a '#' that starts a line: a function-like macro's "define NAME(PARAMETERS)" is recorded,
    // so that the tokens up to its line's end are known to be its body. Read from the text, without
    // moving on: the directive's tokens are read as any others.
    void macro_definition() {
        std::size_t at = text_.find_first_not_of(" \t", at_ + 1);
        if (at == std::string::npos || text_.compare(at, 6, "define") != 0) return;
        at = text_.find_first_not_of(" \t", at + 6);
        if (at == std::string::npos || !is_identifier_start(text_[at])) return;
        while (at < text_.size() && is_identifier_char(text_[at])) ++at;
        if (at == text_.size() || text_[at] != '(') return;  // an object-like macro has no parameters
        MacroDefinition macro;
        const std::size_t line_end = text_.find('\n', at);
        macro.end = line_end == std::string::npos ? text_.size() : line_end;
        for (++at; at < macro.end && text_[at] != ')';) {
            if (!is_identifier_start(text_[at])) {
                ++at;
                continue;
            }
            const std::size_t start = at;
            while (at < macro.end && is_identifier_char(text_[at])) ++at;
            macro.parameters.emplace_back(text_.substr(start, at - start));
        }
        lexed_.macros.push_back(std::move(macro));
    }

    // A comment that starts with the tag (after spaces and a comment's own '*'s) is kept.
    void keep_comment(std::string_view body, std::size_t end) {
        if (tag_.empty()) return;
        std::size_t start = body.find_first_not_of(" \t*/\n\r");
        if (start == std::string_view::npos || body.compare(start, tag_.size(), tag_) != 0) return;
        std::string_view kept = body.substr(start);
        while (!kept.empty() && (kept.back() == ' ' || kept.back() == '\n' || kept.back() == '\r' || kept.back() == '*' ||
                                 kept.back() == '\t')) {
            kept.remove_suffix(1);
        }
        lexed_.comments.push_back(TaggedComment{std::string(kept), line_at(end), tokens_.size()});
    }
    void line_comment() {
        const std::size_t end = text_.find('\n', at_);
        const std::size_t stop = end == std::string::npos ? text_.size() : end;
        keep_comment(text_.substr(at_ + 2, stop - at_ - 2), stop);
        at_ = stop;
    }
    void block_comment() {
        const std::size_t end = text_.find("*/", at_ + 2);
        const std::size_t stop = end == std::string::npos ? text_.size() : end;
        keep_comment(text_.substr(at_ + 2, stop - at_ - 2), stop);
        at_ = end == std::string::npos ? text_.size() : end + 2;
    }

    void identifier(std::vector<Token> &tokens) {
        const std::size_t start = at_;
        while (at_ < text_.size() && is_identifier_char(text_[at_])) ++at_;
        const std::string_view name = text_.substr(start, at_ - start);
        const char next = peek(0);
        // An encoding prefix joined to a literal makes it part of the literal (prefixes are at most
        // three bytes, so longer names skip the comparisons).
        if ((next == '"' || next == '\'') && name.size() <= 3) {
            const bool encoding = name == "u8" || name == "u" || name == "U" || name == "L";
            if (next == '"' && encoding) return string_token(tokens, false, start, name != "u8");
            const bool raw_prefix = name == "R" || name == "u8R" || name == "uR" || name == "UR" || name == "LR";
            if (next == '"' && raw_prefix && raw_delimiter_ends()) return string_token(tokens, true, start, false);
            if (next == '\'' && encoding) return char_literal(tokens, start);
        }
        // An <inttypes.h> macro right after a literal joins it as xgettext writes it: "%" PRIu64
        // " bytes" is "%<PRIu64> bytes", which compiling turns into the platform's conversion.
        // (The string is the store's last, so the name joins its bytes.)
        std::string expansion;
        if (!tokens.empty() && tokens.back().kind == TokenKind::string && inttypes_macro(name, IntTypesTarget::lp64, expansion)) {
            strings_.append("<").append(name).append(">");
            tokens.back().size += name.size() + 2;
            return;
        }
        push(tokens, TokenKind::identifier, start, start, name.size());
    }

    // A pp-number, digit separators included, so that 1'000 is not taken for a character literal.
    void number(std::vector<Token> &tokens) {
        push_other(tokens, '0', at_);
        while (at_ < text_.size()) {
            const char c = text_[at_];
            if ((c == 'e' || c == 'E' || c == 'p' || c == 'P') && (peek(1) == '+' || peek(1) == '-')) {
                at_ += 2;
            } else if (is_identifier_char(c) || c == '.' || (c == '\'' && is_identifier_char(peek(1)))) {
                ++at_;
            } else {
                break;
            }
        }
    }

    void char_literal(std::vector<Token> &tokens, std::size_t start) {
        push_other(tokens, '\'', start);
        for (++at_; at_ < text_.size() && text_[at_] != '\'' && text_[at_] != '\n'; ++at_) {
            if (text_[at_] == '\\') ++at_;
        }
        if (at_ < text_.size() && text_[at_] == '\'') ++at_;
    }

    // A string literal, its suffix and the literals right after it, as one string; `wide` for the
    // prefixes L, u and U, whose escapes are code points. Its bytes are appended to the store: a
    // literal right after a string token (adjacent literals are one string) extends that token,
    // whose bytes are the store's last.
    void string_token(std::vector<Token> &tokens, bool raw, std::size_t start = std::string::npos, bool wide = false) {
        if (start == std::string::npos) start = at_;
        const std::size_t before = strings_.size();
        bool too_large = false;
        if (raw) {
            raw_string();
        } else {
            too_large = escaped_string(wide ? EscapeDialect::c_wide : EscapeDialect::c);
        }
        skip_literal_suffix();
        if (!tokens.empty() && tokens.back().kind == TokenKind::string) {
            tokens.back().size += strings_.size() - before;
            tokens.back().too_large = tokens.back().too_large || too_large;
            return;
        }
        push(tokens, TokenKind::string, start, before, strings_.size() - before).too_large = too_large;
    }

    // A C++ literal's suffix joined to it ("text"sv, "text"_tr) belongs to the literal. Only the
    // standard's and user suffixes (which start with '_') count: "%"PRIu64 in C is a macro after a
    // string.
    void skip_literal_suffix() {
        std::size_t end = at_;
        while (end < text_.size() && is_identifier_char(text_[end])) ++end;
        const std::string_view suffix = text_.substr(at_, end - at_);
        if (suffix == "s" || suffix == "sv" || (!suffix.empty() && suffix.front() == '_')) at_ = end;
    }

    // Whether the '"' at at_ opens a raw string: a delimiter of characters other than spaces, '(',
    // ')', '\\' and '"', then '('. Otherwise the prefix is a name and the quote opens an ordinary
    // string, as xgettext reads it. With no ')' in the delimiter, no byte of the text can start two
    // partial matches of the closing ")DELIMITER\"", so finding it takes linear time.
    bool raw_delimiter_ends() const {
        for (std::size_t at = at_ + 1; at < text_.size(); ++at) {
            const char c = text_[at];
            if (c == '(') return true;
            if (std::memchr(")\\\" \t\n\r\v\f", c, 9)) return false;
        }
        return false;
    }

    void raw_string() {
        const std::size_t open = text_.find('(', at_ + 1);
        const std::string closing = ")" + std::string(text_.substr(at_ + 1, open - at_ - 1)) + "\"";
        const std::size_t close = text_.find(closing, open + 1);
        const std::size_t stop = close == std::string::npos ? text_.size() : close;
        strings_.append(text_.substr(open + 1, stop - open - 1));
        at_ = close == std::string::npos ? text_.size() : close + closing.size();
    }

    // True when an escape was above 0xFF in a narrow literal: compilers refuse the code.
    bool escaped_string(EscapeDialect dialect) {
        bool too_large = false;
        for (++at_; at_ < text_.size() && text_[at_] != '"' && text_[at_] != '\n';) {
            // The bytes up to the next quote, escape or line end are copied at once.
            std::size_t plain = at_;
            while (plain < text_.size() && text_[plain] != '"' && text_[plain] != '\\' && text_[plain] != '\n') ++plain;
            if (plain > at_) {
                strings_.append(text_.data() + at_, plain - at_);
                at_ = plain;
                continue;
            }
            ++at_;  // a backslash
            if (at_ == text_.size()) {
                strings_ += '\\';
                continue;
            }
            if (read_escape(text_, at_, dialect, strings_) == EscapeRead::too_large) too_large = true;  // C takes every other escape
        }
        if (at_ < text_.size() && text_[at_] == '"') ++at_;
        return too_large;
    }

    std::string_view text_;
    LineFinder lines_;
    std::string_view tag_;
    std::size_t at_ = 0;
    Lexed &lexed_;
    std::vector<Token> &tokens_;
    std::string &strings_;
};

}  // namespace

std::string_view lex_code(std::string_view code, std::string_view comment_tag, Lexed &lexed) {
    lexed.tokens.clear();
    lexed.strings.clear();
    lexed.comments.clear();
    lexed.macros.clear();
    lexed.spliced_lines.clear();
    // Code with line splices is read from a copy without them; other code in place.
    if (has_splices(code)) {
        without_splices(code, lexed.spliced, lexed.spliced_lines);
        code = lexed.spliced;
    }
    Lexer{code, lexed.spliced_lines.empty() ? nullptr : &lexed.spliced_lines, comment_tag, lexed}.lex();
    return code;
}

std::string_view text_of(const Token &token, std::string_view code, const Lexed &lexed) {
    return (token.kind == TokenKind::string ? std::string_view(lexed.strings) : code).substr(token.start, token.size);
}

}  // namespace vellix
