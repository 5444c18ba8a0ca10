// The tokens of C and C++ code, as the call scanner reads them: identifiers, strings (adjacent
// literals joined, escapes decoded, raw strings, encoding prefixes and literal suffixes understood)
// and single characters of punctuation, with their lines; tagged comments and function-like macro
// definitions beside them. Line splices are undone first. Linear in the code's size.
#ifndef VELLIX_CODE_LEXER_H
#define VELLIX_CODE_LEXER_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vellix {

enum class TokenKind { identifier, string, other };

// A token holds no text of its own, so that lexing allocates nothing per token: an identifier's
// name is a range of the code, a string's decoded bytes a range of the lexer's string store.
struct Token {
    TokenKind kind;
    char punctuation = '\0';  // an `other` token's character ('0' for a number, '\'' for a character literal)
    bool too_large = false;   // a string with an escape above 0xFF in a narrow literal
    std::uint32_t macro = 0;  // 1 + the index of the function-like macro whose #define holds it, or 0
    std::uint64_t line = 0;
    std::size_t start = 0;
    std::size_t size = 0;
};

// A function-like macro's #define: its parameters, and where its line ends.
struct MacroDefinition {
    std::vector<std::string> parameters;
    std::size_t end;
};

// A comment that starts with the tag asked for: its text from the tag on, the line it ends on, and
// how many tokens come before it.
struct TaggedComment {
    std::string text;
    std::uint64_t end_line;
    std::size_t tokens_before;
};

// What lexing one file gives.
struct Lexed {
    std::vector<Token> tokens;
    std::string strings;  // the string tokens' decoded bytes, one after the other
    std::vector<TaggedComment> comments;
    std::vector<MacroDefinition> macros;
    std::vector<std::size_t> line_feeds;  // where the code's line feeds are
    // The code without its line splices, when it had some, and the line each of its bytes stood on.
    std::string spliced;
    std::vector<std::uint32_t> spliced_lines;
};

// Lexes `code` into `lexed` (whose memory serves from one file to the next), keeping the comments
// that start with `comment_tag` (none when it is empty). Gives the code the tokens' offsets refer
// to: `code` itself, or lexed.spliced.
std::string_view lex_code(std::string_view code, std::string_view comment_tag, Lexed &lexed);

// An identifier's name, or a string's decoded bytes, in the code lex_code gave.
std::string_view text_of(const Token &token, std::string_view code, const Lexed &lexed);

}  // namespace vellix

#endif
