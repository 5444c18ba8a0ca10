// The one reader of printf formats: each conversion with its flags, width, precision, length and
// the argument it reads, and the whole format's arguments by position with the faults that would
// make printf misbehave. The tools' checks, vellix_getf's judging and vellix_snprintf all read
// formats through it; it allocates only for formats reading more than a dozen arguments.
#ifndef VELLIX_PRINTF_CONVERSION_H
#define VELLIX_PRINTF_CONVERSION_H

#include <array>
#include <cstring>
#include <cstddef>
#include <string_view>
#include <vector>

namespace vellix {

// What an argument must be. The integer kinds follow the length modifier; `character` is %c's
// int, `star` a '*' width or precision, the `*_pointer` ones %n's targets.
enum class ArgumentType : unsigned char {
    unused, conflicting, none,
    signed_char, signed_short, signed_int, signed_long, signed_long_long, signed_intmax, signed_size, signed_ptrdiff,
    unsigned_char, unsigned_short, unsigned_int, unsigned_long, unsigned_long_long, unsigned_intmax, unsigned_size,
    unsigned_ptrdiff,
    char_pointer_n, short_pointer_n, int_pointer_n, long_pointer_n, long_long_pointer_n, intmax_pointer_n,
    size_pointer_n, ptrdiff_pointer_n,
    double_value, long_double_value, character, wide_character, star, string, wide_string, pointer,
};

// The name messages give a type: "signed int", "char *", "unused"...
const char *argument_type_name(ArgumentType type);

enum ConversionFlag : unsigned {
    flag_minus = 1, flag_plus = 2, flag_space = 4, flag_hash = 8, flag_zero = 16, flag_quote = 32, flag_digits = 64,
};

// One valid conversion. Positions count from 1; 0 means none. Small, since vellix_snprintf keeps
// a format's conversions between reading and writing it.
struct PrintfConversion {
    std::size_t start = 0;  // the '%'
    std::size_t end = 0;    // one past the conversion letter
    int width = -1;         // as written; -1 when none or given by an argument
    int precision = -1;     // as written ('.' alone is 0); -1 when none or given by an argument
    unsigned short argument = 0;            // the argument the conversion prints
    unsigned short width_argument = 0;      // the argument a '*' width reads
    unsigned short precision_argument = 0;  // the argument a '*' precision reads
    unsigned char flags = 0;
    char letter = '\0';  // '%' for "%%"
    ArgumentType type = ArgumentType::none;
    bool width_star = false;  // '*': an argument gives the width
    bool precision_star = false;
    bool numbered = false;  // it or its '*' named an argument by position
};

// The arguments a format reads, by position: small formats in place, larger ones on the heap.
class PrintfArguments {
public:
    std::size_t count() const { return count_; }
    ArgumentType operator[](std::size_t position) const;  // position from 1, at most count()
    ArgumentType first_type(std::size_t position) const;  // the type first read there, conflicting or not
    // A second, different type makes the position conflicting.
    void use(std::size_t position, ArgumentType type) {
        // The common cases inline: the next argument in turn, or one read again as the same type.
        if (position == count_ + 1 && position <= small_.size()) {
            small_[count_++] = static_cast<unsigned char>(type);
        } else if (position > count_ || count_ > small_.size() || small_[position - 1] != static_cast<unsigned char>(type)) {
            use_slowly(position, type);
        }
    }
    std::size_t first_unused() const;                      // 0 when every position is used
    // Whether some argument is read as two types that va_arg reads differently ("%1$s %1$d"),
    // unlike "%1$d %1$u" or "%1$*1$d", which read the same int.
    bool read_two_ways() const { return read_two_ways_; }

private:
    void use_slowly(std::size_t position, ArgumentType type);
    // Each position's first type, with conflict_bit set once another type was read there.
    static constexpr unsigned char conflict_bit = 0x80;
    std::array<unsigned char, 12> small_{};
    std::vector<unsigned char> large_;
    std::size_t count_ = 0;
    bool read_two_ways_ = false;
};

enum class PrintfFault {
    none,
    stray_percent,  // a '%' that starts no valid conversion (glibc prints it as text)
    ends_early,     // the text ends inside a conversion
    mixed,          // arguments named both by position and in turn
    gap,            // a numbered argument skipped
};

struct PrintfScan {
    PrintfArguments arguments;
    std::size_t conversions = 0;         // valid ones, "%%" included
    std::size_t before_first_fault = 0;  // conversions before the first stray '%' or mixed one
    PrintfFault fault = PrintfFault::none;
    std::size_t fault_at = 0;            // the stray '%' byte, or the first unused position for a gap
    bool writes_through_pointer = false; // some %n
    int largest_number = 0;              // the largest width or precision written in the text
    bool valid() const { return fault == PrintfFault::none; }
};

struct PrintfOptions {
    // Read "%<PRIu64>" as the conversion <inttypes.h> gives it here, as xgettext writes such texts;
    // printf itself prints it as text.
    bool inttypes_macros = false;
};

// Reads the conversion whose '%' is at `at`; false when none starts there.
bool read_printf_conversion(std::string_view text, std::size_t at, const PrintfOptions &options,
                            PrintfConversion &conversion);

// Reads every conversion of `text`, giving each valid one in order to `each(conversion)` with its
// arguments numbered. In the header so that vellix_snprintf's visitor is inlined into the loop.
template <class Each>
void scan_printf_format(std::string_view text, const PrintfOptions &options, PrintfScan &scan, Each &&each);
void scan_printf_format(std::string_view text, const PrintfOptions &options, PrintfScan &scan);

template <class Each>
void scan_printf_format(std::string_view text, const PrintfOptions &options, PrintfScan &scan, Each &&each) {
    constexpr int most_arguments = 9999;  // as read_printf_conversion reads positions
    int next_argument = 1;
    bool by_position = false;
    bool in_turn = false;
    bool faulty = false;  // a stray '%' or a mixed conversion seen
    const auto fault = [&](PrintfFault kind, std::size_t where) {
        if (scan.fault == PrintfFault::none) {
            scan.fault = kind;
            scan.fault_at = where;
        }
        if (!faulty) scan.before_first_fault = scan.conversions;
        faulty = true;
    };
    const char *const begin = text.data();
    std::size_t at = 0;
    while (at < text.size()) {
        // The text between conversions is mostly short: a look at a few bytes before memchr's setup.
        const std::size_t near_end = at + 8 < text.size() ? at + 8 : text.size();
        while (at < near_end && begin[at] != '%') ++at;
        if (at == near_end) {
            if (at == text.size()) break;
            const void *percent = std::memchr(begin + at, '%', text.size() - at);
            if (!percent) break;
            at = static_cast<std::size_t>(static_cast<const char *>(percent) - begin);
        }
        PrintfConversion conversion;
        if (!read_printf_conversion(text, at, options, conversion)) {
            fault(at + 1 == text.size() ? PrintfFault::ends_early : PrintfFault::stray_percent, at);
            ++at;
            continue;
        }
        at = conversion.end;
        if (conversion.width > scan.largest_number) scan.largest_number = conversion.width;
        if (conversion.precision > scan.largest_number) scan.largest_number = conversion.precision;
        if (conversion.letter != '%') {
            bool reads_in_turn = false;
            // The '*'s read their arguments before the value does.
            // In-turn arguments beyond the numbered limit are not numbered (printf cannot take them).
            const auto take_next = [&next_argument, &reads_in_turn] {
                reads_in_turn = true;
                return static_cast<unsigned short>(next_argument <= most_arguments ? next_argument++ : most_arguments);
            };
            if (conversion.width_star && !conversion.width_argument) conversion.width_argument = take_next();
            if (conversion.precision_star && !conversion.precision_argument) conversion.precision_argument = take_next();
            if (conversion.type != ArgumentType::none && !conversion.argument) conversion.argument = take_next();
            if (conversion.width_argument) scan.arguments.use(conversion.width_argument, ArgumentType::star);
            if (conversion.precision_argument) scan.arguments.use(conversion.precision_argument, ArgumentType::star);
            if (conversion.argument) scan.arguments.use(conversion.argument, conversion.type);
            if ((conversion.numbered && (in_turn || reads_in_turn)) || (reads_in_turn && by_position)) {
                fault(PrintfFault::mixed, conversion.start);
            }
            by_position = by_position || conversion.numbered;
            in_turn = in_turn || reads_in_turn;
            if (conversion.letter == 'n') scan.writes_through_pointer = true;
        }
        ++scan.conversions;
        each(conversion);
    }
    if (!faulty) scan.before_first_fault = scan.conversions;
    // printf cannot skip an argument: numbered arguments must use every position up to the last.
    if (scan.fault == PrintfFault::none) {
        if (const std::size_t unused = scan.arguments.first_unused()) {
            scan.fault = PrintfFault::gap;
            scan.fault_at = unused;
        }
    }
}


}  // namespace vellix

#endif
