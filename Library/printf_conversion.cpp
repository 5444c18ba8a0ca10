#include "printf_conversion.h"

#include "inttypes_macros.h"

#include <cstdint>
#include <cstring>
#include <cwchar>

namespace vellix {
namespace {

bool is_digit(char c) { return c >= '0' && c <= '9'; }

// A text being read from one position on.
struct Cursor {
    std::string_view text;
    std::size_t at;

    char peek() const { return at < text.size() ? text[at] : '\0'; }
    bool take(char c) {
        if (peek() != c) return false;
        ++at;
        return true;
    }
    // Digits as a number, capped well above any real width, precision or position.
    int take_number() {
        int number = 0;
        while (is_digit(peek())) {
            number = number > 99999999 ? number : number * 10 + (peek() - '0');
            ++at;
        }
        return number;
    }
};

constexpr int no_position = 0;
constexpr int most_arguments = 9999;  // no real call passes more

// "n$": an argument position, or 0 when there is none (the cursor is then left where it was).
int take_position(Cursor &in) {
    Cursor probe = in;
    const int position = probe.take_number();
    if (position == 0 || position > most_arguments || !probe.take('$')) return no_position;
    in = probe;
    return position;
}

enum class Length { none, hh, h, l, ll, j, z, t, L };

Length take_length(Cursor &in) {
    switch (in.peek()) {
    case 'h': ++in.at; return in.take('h') ? Length::hh : Length::h;
    case 'l': ++in.at; return in.take('l') ? Length::ll : Length::l;
    case 'q': ++in.at; return Length::ll;
    case 'L': ++in.at; return Length::L;
    case 'j': ++in.at; return Length::j;
    case 'z': case 'Z': ++in.at; return Length::z;
    case 't': ++in.at; return Length::t;
    default: return Length::none;
    }
}

// The argument a conversion letter with a length modifier reads: `unused` for an invalid pair.
ArgumentType argument_type(Length length, char letter) {
    // Integer kinds in the order of the enumeration, from `char` on.
    const int integer = length == Length::hh ? 0 : length == Length::h ? 1 : length == Length::none ? 2
                        : length == Length::l ? 3 : length == Length::ll || length == Length::L ? 4
                        : length == Length::j ? 5 : length == Length::z ? 6 : 7;
    const auto nth = [integer](ArgumentType first) { return static_cast<ArgumentType>(static_cast<int>(first) + integer); };
    const bool plain = length == Length::none;
    switch (letter) {
    case 'd': case 'i':
        return nth(ArgumentType::signed_char);
    case 'o': case 'u': case 'x': case 'X':
        return nth(ArgumentType::unsigned_char);
    case 'n':
        return nth(ArgumentType::char_pointer_n);
    case 'e': case 'E': case 'f': case 'F': case 'g': case 'G': case 'a': case 'A':
        return plain || length == Length::l ? ArgumentType::double_value
               : length == Length::L        ? ArgumentType::long_double_value
                                            : ArgumentType::unused;
    case 'c':
        return plain ? ArgumentType::character : length == Length::l ? ArgumentType::wide_character : ArgumentType::unused;
    case 's':
        return plain ? ArgumentType::string : length == Length::l ? ArgumentType::wide_string : ArgumentType::unused;
    case 'C':
        return plain ? ArgumentType::wide_character : ArgumentType::unused;
    case 'S':
        return plain ? ArgumentType::wide_string : ArgumentType::unused;
    case 'p':
        return plain ? ArgumentType::pointer : ArgumentType::unused;
    case 'm':
        return plain ? ArgumentType::none : ArgumentType::unused;
    default:
        return ArgumentType::unused;
    }
}

unsigned flag_of(char c) {
    switch (c) {
    case '-': return flag_minus;
    case '+': return flag_plus;
    case ' ': return flag_space;
    case '#': return flag_hash;
    case '0': return flag_zero;
    case '\'': return flag_quote;
    case 'I': return flag_digits;
    default: return 0;
    }
}

// A '*' width or precision with its optional "m$"; -1 when there is none, 0 for one read in turn.
int take_star(Cursor &in) {
    if (!in.take('*')) return -1;
    return take_position(in);
}

// What va_arg reads for a type: its kind and, for integers after promotion, its size.
int storage_of(ArgumentType type) {
    switch (type) {
    case ArgumentType::signed_char: case ArgumentType::signed_short: case ArgumentType::signed_int:
    case ArgumentType::unsigned_char: case ArgumentType::unsigned_short: case ArgumentType::unsigned_int:
    case ArgumentType::character: case ArgumentType::star:
        return sizeof(int);
    case ArgumentType::wide_character: return sizeof(std::wint_t) < sizeof(int) ? sizeof(int) : sizeof(std::wint_t);
    case ArgumentType::signed_long: case ArgumentType::unsigned_long: return sizeof(long);
    case ArgumentType::signed_long_long: case ArgumentType::unsigned_long_long: return sizeof(long long);
    case ArgumentType::signed_intmax: case ArgumentType::unsigned_intmax: return sizeof(std::intmax_t);
    case ArgumentType::signed_size: case ArgumentType::unsigned_size: return sizeof(std::size_t);
    case ArgumentType::signed_ptrdiff: case ArgumentType::unsigned_ptrdiff: return sizeof(std::ptrdiff_t);
    case ArgumentType::double_value: return 100;
    case ArgumentType::long_double_value: return 101;
    default: return 102;  // a pointer of some kind
    }
}

}  // namespace

const char *argument_type_name(ArgumentType type) {
    static const char *const names[] = {
        "unused", "conflicting", "none",
        "signed char", "signed short", "signed int", "signed long", "signed long long", "signed intmax_t",
        "signed size_t", "signed ptrdiff_t",
        "unsigned char", "unsigned short", "unsigned int", "unsigned long", "unsigned long long", "unsigned intmax_t",
        "unsigned size_t", "unsigned ptrdiff_t",
        "char *", "short *", "int *", "long *", "long long *", "intmax_t *", "size_t *", "ptrdiff_t *",
        "double", "long double", "int", "wint_t", "int", "char *", "wchar_t *", "void *",
    };
    return names[static_cast<std::size_t>(type)];
}

ArgumentType PrintfArguments::operator[](std::size_t position) const {
    const unsigned char slot = count_ <= small_.size() ? small_[position - 1] : large_[position - 1];
    return slot & conflict_bit ? ArgumentType::conflicting : static_cast<ArgumentType>(slot);
}

ArgumentType PrintfArguments::first_type(std::size_t position) const {
    const unsigned char slot = count_ <= small_.size() ? small_[position - 1] : large_[position - 1];
    return static_cast<ArgumentType>(slot & ~conflict_bit);
}

void PrintfArguments::use_slowly(std::size_t position, ArgumentType type) {
    static_assert(static_cast<unsigned>(ArgumentType::unused) == 0, "a new slot reads as unused");
    if (position > count_) {
        if (position > small_.size() && large_.empty()) large_.assign(small_.begin(), small_.begin() + count_);
        if (position > small_.size()) large_.resize(position, 0);
        count_ = position;
    }
    unsigned char &slot = count_ <= small_.size() ? small_[position - 1] : large_[position - 1];
    const auto first = static_cast<ArgumentType>(slot & ~conflict_bit);
    if (first == ArgumentType::unused) {
        slot = static_cast<unsigned char>(type);
    } else if (first != type) {
        slot |= conflict_bit;
        read_two_ways_ = read_two_ways_ || storage_of(first) != storage_of(type);
    }
}

std::size_t PrintfArguments::first_unused() const {
    for (std::size_t position = 1; position <= count_; ++position) {
        if ((*this)[position] == ArgumentType::unused) return position;
    }
    return 0;
}

bool read_printf_conversion(std::string_view text, std::size_t at, const PrintfOptions &options,
                            PrintfConversion &conversion) {
    Cursor in{text, at};
    if (!in.take('%')) return false;
    PrintfConversion &read = conversion;
    read = PrintfConversion{};
    read.start = at;
    if (in.take('%')) {
        read.letter = '%';
        read.end = in.at;
        return true;
    }
    // The common "%s" or "%d": a conversion letter right after the '%'.
    if (const char c = in.peek(); (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')) {
        read.type = argument_type(Length::none, c);
        if (read.type != ArgumentType::unused) {
            read.letter = c;
            read.end = in.at + 1;
            return true;
        }
    }
    const int position = take_position(in);
    while (unsigned flag = flag_of(in.peek())) {
        read.flags = static_cast<unsigned char>(read.flags | flag);
        ++in.at;
    }
    const int width_star = take_star(in);
    if (width_star < 0 && is_digit(in.peek())) read.width = in.take_number();
    int precision_star = -1;
    if (in.take('.')) {
        precision_star = take_star(in);
        if (precision_star < 0) read.precision = in.take_number();
    }
    Length length = Length::none;
    if (in.peek() == '<' && options.inttypes_macros) {
        // An <inttypes.h> macro as xgettext writes it (%<PRIu64>): the conversion it stands for here.
        const std::size_t close = text.find('>', in.at);
        std::string expansion;
        if (close == std::string_view::npos ||
            !inttypes_macro(text.substr(in.at + 1, close - in.at - 1), host_inttypes_target(), expansion)) {
            return false;
        }
        Cursor macro{expansion, 0};
        length = take_length(macro);
        read.letter = macro.peek();
        in.at = close;
    } else {
        length = take_length(in);
        read.letter = in.peek();
    }
    read.type = argument_type(length, read.letter);
    if (read.type == ArgumentType::unused) return false;
    read.end = in.at + 1;
    // Arguments read in turn keep position 0 here: the scan numbers them.
    read.argument = static_cast<unsigned short>(read.type == ArgumentType::none ? 0 : position);
    read.width_star = width_star >= 0;
    read.width_argument = static_cast<unsigned short>(width_star > 0 ? width_star : 0);
    read.precision_star = precision_star >= 0;
    read.precision_argument = static_cast<unsigned short>(precision_star > 0 ? precision_star : 0);
    read.numbered = position > 0 || width_star > 0 || precision_star > 0;
    return true;
}

void scan_printf_format(std::string_view text, const PrintfOptions &options, PrintfScan &scan) {
    scan_printf_format(text, options, scan, [](const PrintfConversion &) {});
}

}  // namespace vellix
