#include "code_scanner.h"

#include "c_escape.h"

namespace vellix {
namespace {

enum class TokenKind { identifier, string, other };

struct Token {
    TokenKind kind;
    std::string text;  // an identifier's name, a string's decoded bytes, one punctuation character
    std::uint64_t line;
};

// A comment that starts with the tag asked for: its text from the tag on, the line it ends on, and
// how many tokens come before it.
struct TaggedComment {
    std::string text;
    std::uint64_t end_line;
    std::size_t tokens_before;
};

bool is_identifier_start(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || (c & 0x80); }
bool is_identifier_char(char c) { return is_identifier_start(c) || (c >= '0' && c <= '9'); }

// The code with every backslash-newline removed, and the line each remaining byte stood on.
struct SplicedCode {
    std::string text;
    std::vector<std::uint32_t> lines;
};

SplicedCode without_splices(std::string_view code) {
    SplicedCode spliced;
    spliced.text.reserve(code.size());
    spliced.lines.reserve(code.size() + 1);
    std::uint32_t line = 1;
    for (std::size_t i = 0; i < code.size(); ++i) {
        if (code[i] == '\\' && i + 1 < code.size() && (code[i + 1] == '\n' || (code[i + 1] == '\r' && i + 2 < code.size() && code[i + 2] == '\n'))) {
            i += code[i + 1] == '\r' ? 2 : 1;
            ++line;
            continue;
        }
        spliced.text += code[i];
        spliced.lines.push_back(line);
        if (code[i] == '\n') ++line;
    }
    spliced.lines.push_back(line);
    return spliced;
}

class Lexer {
public:
    Lexer(const SplicedCode &code, std::string_view comment_tag) : code_(code), text_(code.text), tag_(comment_tag) {}

    std::vector<Token> tokens(std::vector<TaggedComment> &comments) {
        std::vector<Token> tokens;
        tokens.reserve(text_.size() / 4);  // a token takes a few bytes of code; fewer reallocations
        comments_ = &comments;
        tokens_ = &tokens;
        while (at_ < text_.size()) {
            const char c = text_[at_];
            if (c == '/' && peek(1) == '/') {
                line_comment();
            } else if (c == '/' && peek(1) == '*') {
                block_comment();
            } else if (c == '"') {
                string_token(tokens, false);
            } else if (c == '\'') {
                char_literal(tokens, at_);
            } else if (is_identifier_start(c)) {
                identifier(tokens);
            } else if (c >= '0' && c <= '9') {
                number(tokens);
            } else if (c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v') {
                ++at_;
            } else {
                push(tokens, TokenKind::other, std::string(1, c), at_);
                ++at_;
            }
        }
        return tokens;
    }

private:
    char peek(std::size_t ahead) const { return at_ + ahead < text_.size() ? text_[at_ + ahead] : '\0'; }
    std::uint64_t line_at(std::size_t at) const { return code_.lines[at]; }

    void push(std::vector<Token> &tokens, TokenKind kind, std::string text, std::size_t start) {
        tokens.push_back(Token{kind, std::move(text), line_at(start)});
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
        comments_->push_back(TaggedComment{std::string(kept), line_at(end), tokens_->size()});
    }
    void line_comment() {
        const std::size_t end = text_.find('\n', at_);
        const std::size_t stop = end == std::string::npos ? text_.size() : end;
        keep_comment(std::string_view(text_).substr(at_ + 2, stop - at_ - 2), stop);
        at_ = stop;
    }
    void block_comment() {
        const std::size_t end = text_.find("*/", at_ + 2);
        const std::size_t stop = end == std::string::npos ? text_.size() : end;
        keep_comment(std::string_view(text_).substr(at_ + 2, stop - at_ - 2), stop);
        at_ = end == std::string::npos ? text_.size() : end + 2;
    }

    void identifier(std::vector<Token> &tokens) {
        const std::size_t start = at_;
        while (at_ < text_.size() && is_identifier_char(text_[at_])) ++at_;
        const std::string_view name(text_.data() + start, at_ - start);
        const char next = peek(0);
        // An encoding prefix joined to a literal makes it part of the literal.
        if (next == '"' && (name == "u8" || name == "u" || name == "U" || name == "L")) return string_token(tokens, false, start);
        if (next == '"' && (name == "R" || name == "u8R" || name == "uR" || name == "UR" || name == "LR")) {
            return string_token(tokens, true, start);
        }
        if (next == '\'' && (name == "u8" || name == "u" || name == "U" || name == "L")) return char_literal(tokens, start);
        push(tokens, TokenKind::identifier, std::string(name), start);
    }

    // A pp-number, digit separators included, so that 1'000 is not taken for a character literal.
    void number(std::vector<Token> &tokens) {
        push(tokens, TokenKind::other, "0", at_);
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
        push(tokens, TokenKind::other, "'", start);
        for (++at_; at_ < text_.size() && text_[at_] != '\'' && text_[at_] != '\n'; ++at_) {
            if (text_[at_] == '\\') ++at_;
        }
        if (at_ < text_.size() && text_[at_] == '\'') ++at_;
    }

    void string_token(std::vector<Token> &tokens, bool raw, std::size_t start = std::string::npos) {
        if (start == std::string::npos) start = at_;
        std::string value;
        if (raw) {
            raw_string(value);
        } else {
            escaped_string(value);
        }
        // Adjacent literals are one string.
        if (!tokens.empty() && tokens.back().kind == TokenKind::string) {
            tokens.back().text += value;
            return;
        }
        push(tokens, TokenKind::string, std::move(value), start);
    }

    void raw_string(std::string &value) {
        const std::size_t open = text_.find('(', at_ + 1);
        if (open == std::string::npos) {
            at_ = text_.size();
            return;
        }
        const std::string closing = ")" + text_.substr(at_ + 1, open - at_ - 1) + "\"";
        const std::size_t close = text_.find(closing, open + 1);
        const std::size_t stop = close == std::string::npos ? text_.size() : close;
        value.assign(text_, open + 1, stop - open - 1);
        at_ = close == std::string::npos ? text_.size() : close + closing.size();
    }

    void escaped_string(std::string &value) {
        for (++at_; at_ < text_.size() && text_[at_] != '"' && text_[at_] != '\n';) {
            const char c = text_[at_++];
            if (c != '\\' || at_ == text_.size()) {
                value += c;
                continue;
            }
            read_escape(text_, at_, EscapeDialect::c, value);  // C takes every escape
        }
        if (at_ < text_.size() && text_[at_] == '"') ++at_;
    }

    const SplicedCode &code_;
    const std::string &text_;
    std::string_view tag_;
    std::size_t at_ = 0;
    std::vector<TaggedComment> *comments_ = nullptr;
    std::vector<Token> *tokens_ = nullptr;
};

// The arguments of the call whose '(' is tokens[open]: each a run of tokens between top-level commas.
std::vector<CallArgument> arguments_of(const std::vector<Token> &tokens, std::size_t open) {
    std::vector<CallArgument> arguments;
    std::size_t depth = 0;
    std::size_t argument_start = open + 1;
    for (std::size_t i = open + 1; i < tokens.size(); ++i) {
        const Token &token = tokens[i];
        const bool bracket_open = token.kind == TokenKind::other && (token.text == "(" || token.text == "[" || token.text == "{");
        const bool bracket_close = token.kind == TokenKind::other && (token.text == ")" || token.text == "]" || token.text == "}");
        if (bracket_open) ++depth;
        const bool ends = (depth == 0 && token.kind == TokenKind::other && token.text == ",") || (depth == 0 && bracket_close);
        if (ends) {
            CallArgument argument;
            argument.line = tokens[argument_start < i ? argument_start : i].line;
            argument.is_literal = i == argument_start + 1 && tokens[argument_start].kind == TokenKind::string;
            if (argument.is_literal) argument.text = tokens[argument_start].text;
            if (i != argument_start || token.text == ",") arguments.push_back(std::move(argument));
            argument_start = i + 1;
            if (bracket_close) break;
        }
        if (bracket_close && depth > 0) --depth;
        if (i + 1 == tokens.size() && argument_start < tokens.size()) {
            // The code ends inside the call: what was read of the last argument still counts.
            CallArgument argument;
            argument.line = tokens[argument_start].line;
            argument.is_literal = argument_start == i && tokens[argument_start].kind == TokenKind::string;
            if (argument.is_literal) argument.text = tokens[argument_start].text;
            arguments.push_back(std::move(argument));
        }
    }
    return arguments;
}

}  // namespace

void scan_calls(std::string_view code, const std::function<bool(std::string_view name)> &wanted,
                std::string_view comment_tag, const std::function<void(const FoundCall &)> &found) {
    const SplicedCode spliced = without_splices(code);
    std::vector<TaggedComment> comments;
    const std::vector<Token> tokens = Lexer{spliced, comment_tag}.tokens(comments);
    std::size_t next_comment = 0;
    for (std::size_t i = 0; i + 1 < tokens.size(); ++i) {
        // The last tagged comment before this token.
        while (next_comment < comments.size() && comments[next_comment].tokens_before <= i) ++next_comment;
        const Token &token = tokens[i];
        if (token.kind != TokenKind::identifier || tokens[i + 1].kind != TokenKind::other || tokens[i + 1].text != "(") continue;
        if (!wanted(token.text)) continue;
        FoundCall call;
        call.name = token.text;
        call.line = token.line;
        // A comment counts when it ends on the call's line or the line before.
        if (next_comment > 0 && comments[next_comment - 1].end_line + 1 >= token.line) call.comment = comments[next_comment - 1].text;
        call.arguments = arguments_of(tokens, i + 1);
        found(call);
    }
}

}  // namespace vellix
