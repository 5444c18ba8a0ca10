#include "code_scanner.h"

#include "code_lexer.h"

#include <algorithm>
#include <cstring>

namespace vellix {
namespace {

// Only `other` tokens have punctuation, so the character alone tells the token (a table of calls
// in place of a search of a set per token).
bool opens(const Token &token) { return token.punctuation == '(' || token.punctuation == '[' || token.punctuation == '{'; }
bool closes(const Token &token) { return token.punctuation == ')' || token.punctuation == ']' || token.punctuation == '}'; }

// Whether the name at tokens[at] is called as a member: after '.' or "->".
bool is_member_call(const std::vector<Token> &tokens, std::size_t at) {
    if (at >= 1 && tokens[at - 1].punctuation == '.') return true;
    return at >= 2 && tokens[at - 1].punctuation == '>' && tokens[at - 2].punctuation == '-';
}

// The name `wanted` is asked about for the call at tokens[at]: ".name" for a member call, built
// in `buffer`.
std::string_view name_asked(const std::vector<Token> &tokens, std::size_t at, std::string_view code, std::string &buffer) {
    const std::string_view name = code.substr(tokens[at].start, tokens[at].size);
    if (!is_member_call(tokens, at)) return name;
    buffer.assign(1, '.');
    buffer += name;
    return buffer;
}

// An argument made of tokens[start, end): a string literal when it is one string token and nothing
// else; empty arguments take the line of the token that ends them.
CallArgument argument_of(const Lexed &lexed, std::string_view code, std::size_t start, std::size_t end) {
    const std::vector<Token> &tokens = lexed.tokens;
    CallArgument argument;
    argument.line = tokens[start < end ? start : end].line;
    argument.is_literal = end == start + 1 && tokens[start].kind == TokenKind::string;
    if (argument.is_literal) {
        argument.text = text_of(tokens[start], code, lexed);
        argument.escape_too_large = tokens[start].too_large;
    }
    if (end == start + 1 && tokens[start].kind == TokenKind::identifier && tokens[start].macro != 0) {
        const std::vector<std::string> &parameters = lexed.macros[tokens[start].macro - 1].parameters;
        argument.is_macro_parameter =
            std::find(parameters.begin(), parameters.end(), text_of(tokens[start], code, lexed)) != parameters.end();
    }
    return argument;
}

// An open bracket, and for the '(' of a wanted call, which call it is and where its current
// argument starts.
struct OpenBracket {
    std::size_t call;  // an index into the calls found, or npos
    std::size_t argument_start;
};

}  // namespace

struct CallScanner::Buffers {
    Lexed lexed;
    // The calls found since no call was open, in the order of their names: the first `in_use`,
    // the others kept from earlier calls for their memory (a call's arguments hold no memory of
    // their own, so clearing them frees nothing).
    std::vector<FoundCall> calls;
    std::size_t in_use = 0;
    std::vector<OpenBracket> open;

    FoundCall &next_call() {
        if (in_use == calls.size()) calls.emplace_back();
        FoundCall &call = calls[in_use++];
        call.arguments.clear();
        call.comment.clear();
        return call;
    }
};

CallScanner::CallScanner() : buffers_(std::make_unique<Buffers>()) {}
CallScanner::~CallScanner() = default;

void scan_calls(std::string_view code, const std::function<bool(std::string_view name)> &wanted,
                std::string_view comment_tag, const std::function<void(const FoundCall &)> &found) {
    CallScanner().scan(code, wanted, comment_tag, found);
}

// One pass over the tokens with a stack of open brackets, so that nested and unclosed calls cost
// no rescanning: linear in the number of tokens. A call's arguments are complete when its bracket
// closes (or the code ends); calls are handed on in the order of their names once no call is open.
void CallScanner::scan(std::string_view code, const std::function<bool(std::string_view name)> &wanted,
                       std::string_view comment_tag, const std::function<void(const FoundCall &)> &found) {
    constexpr std::size_t no_call = static_cast<std::size_t>(-1);
    Lexed &lexed = buffers_->lexed;
    code = lex_code(code, comment_tag, lexed);
    const std::vector<Token> &tokens = lexed.tokens;
    const std::vector<TaggedComment> &comments = lexed.comments;
    std::vector<FoundCall> &calls = buffers_->calls;
    std::vector<OpenBracket> &open = buffers_->open;
    buffers_->in_use = 0;
    open.clear();
    std::size_t open_calls = 0;
    std::size_t next_comment = 0;
    std::string member_name;  // reused, so that member calls cost no allocation each
    const auto hand_on = [&] {
        for (std::size_t i = 0; i < buffers_->in_use; ++i) found(calls[i]);
        buffers_->in_use = 0;
    };
    for (std::size_t i = 0; i < tokens.size(); ++i) {
        const Token &token = tokens[i];
        if (opens(token)) {
            open.push_back(OpenBracket{no_call, i + 1});
        } else if (token.punctuation == ',' && !open.empty() && open.back().call != no_call) {
            calls[open.back().call].arguments.push_back(argument_of(lexed, code, open.back().argument_start, i));
            open.back().argument_start = i + 1;
        } else if (closes(token) && !open.empty()) {
            const OpenBracket closed = open.back();
            open.pop_back();
            if (closed.call == no_call) continue;
            if (closed.argument_start != i) calls[closed.call].arguments.push_back(argument_of(lexed, code, closed.argument_start, i));
            if (--open_calls == 0) hand_on();
        } else if (token.kind == TokenKind::identifier && i + 1 < tokens.size() && tokens[i + 1].punctuation == '(' &&
                   wanted(name_asked(tokens, i, code, member_name))) {
            // The last tagged comment before this token counts when it ends on the call's line or
            // the line before.
            while (next_comment < comments.size() && comments[next_comment].tokens_before <= i) ++next_comment;
            FoundCall &call = buffers_->next_call();
            call.name.assign(name_asked(tokens, i, code, member_name));
            call.line = token.line;
            if (next_comment > 0 && comments[next_comment - 1].end_line + 1 >= token.line) {
                call.comment = comments[next_comment - 1].text;
            }
            open.push_back(OpenBracket{buffers_->in_use - 1, i + 2});
            ++open_calls;
            ++i;  // its '('
        }
    }
    // The code ends inside calls: what was read of each one's last argument still counts.
    for (const OpenBracket &bracket : open) {
        if (bracket.call != no_call && bracket.argument_start < tokens.size()) {
            calls[bracket.call].arguments.push_back(argument_of(lexed, code, bracket.argument_start, tokens.size()));
        }
    }
    hand_on();
}

}  // namespace vellix
