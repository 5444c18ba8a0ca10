#include "printf_format.h"

#include "inttypes_macros.h"

#include <cstddef>
#include <cstring>
#include <string>

namespace vellix {
namespace {

bool is_digit(char c) { return c >= '0' && c <= '9'; }

// A text being scanned from one position on.
struct Scanner {
    std::string_view text;
    std::size_t at;

    bool done() const { return at >= text.size(); }
    char peek() const { return done() ? '\0' : text[at]; }
    bool take(char c) {
        if (peek() != c) return false;
        ++at;
        return true;
    }
    bool take_digits() {
        const std::size_t start = at;
        while (is_digit(peek())) ++at;
        return at != start;
    }
};

// "n$": an argument position, or 0 when there is none (the scanner is then left where it was).
std::size_t take_position(Scanner &in) {
    Scanner probe = in;
    std::size_t position = 0;
    while (is_digit(probe.peek())) {
        position = position * 10 + static_cast<std::size_t>(probe.peek() - '0');
        if (position > 9999) return 0;  // no real call passes that many arguments
        ++probe.at;
    }
    if (position == 0 || !probe.take('$')) return 0;
    in = probe;
    return position;
}

// The length modifier before a conversion letter, as written.
std::string take_length(Scanner &in) {
    static const char *const modifiers[] = {"hh", "ll", "h", "l", "L", "q", "j", "z", "Z", "t"};
    for (const char *modifier : modifiers) {
        if (in.text.substr(in.at, std::strlen(modifier)) == modifier) {
            in.at += std::strlen(modifier);
            return modifier;
        }
    }
    return "";
}

// The argument type a conversion letter with a length modifier takes; empty for an invalid pair,
// "none" for one that takes no argument.
std::string argument_type(const std::string &length, char conversion) {
    const bool plain = length.empty();
    const char *integer_length = length == "hh" ? "char"
                                 : length == "h" ? "short"
                                 : length == "l" ? "long"
                                 : length == "ll" || length == "q" || length == "L" ? "long long"
                                 : length == "j" ? "intmax_t"
                                 : length == "z" || length == "Z" ? "size_t"
                                 : length == "t" ? "ptrdiff_t"
                                                 : "int";
    switch (conversion) {
    case 'd': case 'i':
        return std::string("signed ") + integer_length;
    case 'o': case 'u': case 'x': case 'X':
        return std::string("unsigned ") + integer_length;
    case 'n':
        return std::string(integer_length) + " *";
    case 'e': case 'E': case 'f': case 'F': case 'g': case 'G': case 'a': case 'A':
        if (plain || length == "l") return "double";
        return length == "L" ? "long double" : "";
    case 'c':
        return plain ? "int" : length == "l" ? "wint_t" : "";
    case 's':
        return plain ? "char *" : length == "l" ? "wchar_t *" : "";
    case 'C':
        return plain ? "wint_t" : "";
    case 'S':
        return plain ? "wchar_t *" : "";
    case 'p':
        return plain ? "void *" : "";
    case 'm':
        return plain ? "none" : "";
    default:
        return "";
    }
}

// Records that argument `position` (from 1) must have `type`.
void use_argument(PrintfFormat &format, std::size_t position, const std::string &type) {
    if (format.argument_types.size() < position) format.argument_types.resize(position, "unused");
    std::string &slot = format.argument_types[position - 1];
    if (slot == "unused") {
        slot = type;
    } else if (slot != type) {
        slot = "conflicting";
    }
}

// A width or precision: digits, or '*' with an optional position, which consumes an int. A '*'
// without a position of its own takes the next argument in turn.
struct StarArgument {
    bool present = false;
    std::size_t position = 0;  // 0: the next argument in turn
};
StarArgument take_star(Scanner &in) {
    StarArgument star;
    if (in.take('*')) {
        star.present = true;
        star.position = take_position(in);
    } else {
        in.take_digits();
    }
    return star;
}

// One conversion after its '%'. Gives false, leaving `format` as it was, for an invalid one.
bool read_conversion(Scanner &in, PrintfFormat &format, std::size_t &next_argument) {
    if (in.take('%')) {
        format.conversions.push_back("%%");
        format.offsets.push_back(in.at - 2);
        return true;
    }
    const std::size_t start = in.at - 1;
    const std::size_t position = take_position(in);
    while (!in.done() && std::strchr("-+ #0'I", in.peek())) ++in.at;
    const StarArgument width = take_star(in);
    StarArgument precision;
    if (in.take('.')) precision = take_star(in);
    std::string length;
    char letter = '\0';
    if (!in.done() && in.peek() == '<') {
        // An <inttypes.h> macro as xgettext writes it (%<PRIu64>): the conversion it stands for here.
        const std::size_t close = in.text.find('>', in.at);
        std::string expansion;
        if (close == std::string_view::npos ||
            !inttypes_macro(in.text.substr(in.at + 1, close - in.at - 1), host_inttypes_target(), expansion)) {
            return false;
        }
        in.at = close;
        length = expansion.substr(0, expansion.size() - 1);
        letter = expansion.back();
    } else {
        length = take_length(in);
        if (in.done()) return false;
        letter = in.peek();
    }
    const std::string type = argument_type(length, letter);
    if (type.empty()) return false;
    ++in.at;

    for (const StarArgument &star : {width, precision}) {
        if (star.present) use_argument(format, star.position ? star.position : next_argument++, "int");
    }
    if (type != "none") use_argument(format, position ? position : next_argument++, type);
    format.conversions.emplace_back(in.text.substr(start, in.at - start));
    format.offsets.push_back(start);
    return true;
}

}  // namespace

PrintfFormat read_printf_format(std::string_view text) {
    PrintfFormat format;
    std::size_t next_argument = 1;
    Scanner in{text, 0};
    bool by_position = false;
    bool in_turn = false;
    bool faulty = false;
    const auto fault = [&format, &faulty](std::size_t conversions_before) {
        if (!faulty) format.before_first_fault = conversions_before;
        faulty = true;
    };
    while (!in.done()) {
        if (!in.take('%')) {
            ++in.at;
            continue;
        }
        Scanner attempt = in;
        const std::size_t arguments_before = next_argument;
        if (!read_conversion(attempt, format, next_argument)) {
            if (format.invalid_because.empty()) {
                format.invalid_because = in.done() ? "the text ends in the middle of a conversion"
                                                   : "a '%' at byte " + std::to_string(in.at - 1) + " starts no valid conversion";
            }
            fault(format.conversions.size());
            continue;
        }
        in = attempt;
        const bool numbered = format.conversions.back().find('$') != std::string::npos;
        if ((numbered && in_turn) || (next_argument != arguments_before && by_position)) fault(format.conversions.size() - 1);
        by_position = by_position || numbered;
        in_turn = in_turn || next_argument != arguments_before;
    }
    if (!faulty) format.before_first_fault = format.conversions.size();
    if (by_position && next_argument != 1 && format.invalid_because.empty()) {
        format.invalid_because = "it names arguments both by position and in turn";
    }
    // printf cannot skip an argument: numbered arguments must use every position up to the last.
    for (std::size_t i = 0; i < format.argument_types.size() && format.invalid_because.empty(); ++i) {
        if (format.argument_types[i] == "unused") {
            format.invalid_because = "argument " + std::to_string(i + 1) + " is not used, though a later one is";
        }
    }
    return format;
}

std::string listed_conversions(const PrintfFormat &format) {
    if (format.conversions.empty()) return "none";
    std::string text;
    for (const std::string &conversion : format.conversions) {
        if (!text.empty()) text += ' ';
        text += conversion;  // printable ASCII: only valid conversions are listed
    }
    return text;
}

bool same_arguments(const PrintfFormat &left, const PrintfFormat &right) {
    return left.argument_types == right.argument_types;
}

}  // namespace vellix
