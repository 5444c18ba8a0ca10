// Integers, characters, strings and pointers are written here, as glibc writes them; doubles
// through std::to_chars; long doubles and wide characters go one conversion at a time to the C
// library's snprintf, whose rounding and locale they need.
#include "conversion_writer.h"

#include "float_text.h"

#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <vector>

namespace vellix {
namespace {

// The text written so far: as much as fits in the caller's buffer, and the whole length.
struct Output {
    char *buffer;
    std::size_t size;
    std::size_t length = 0;

    void put(const char *text, std::size_t count) {
        if (count <= size - length && length <= size) {
            // The short pieces between conversions cost less copied by hand than through memcpy.
            if (count <= 8) {
                for (std::size_t i = 0; i < count; ++i) buffer[length + i] = text[i];
            } else {
                std::memcpy(buffer + length, text, count);
            }
        } else if (length < size) {
            std::memcpy(buffer + length, text, size - length);
        }
        length += count;
    }
    void fill(char c, std::size_t count) {
        if (count == 0) return;  // most fields need no padding: no call at all
        if (length < size) std::memset(buffer + length, c, count < size - length ? count : size - length);
        length += count;
    }
    // `text` in a field of `width`, on its left or right.
    void put_padded(const char *text, std::size_t count, int width, bool left) {
        const std::size_t pad = width > 0 && static_cast<std::size_t>(width) > count ? width - count : 0;
        if (!left) fill(' ', pad);
        put(text, count);
        if (left) fill(' ', pad);
    }
};

// An argument's bits as the integer type a conversion reads.
std::intmax_t narrow_signed(ArgumentType type, const ArgumentValue &value) {
    switch (type) {
    case ArgumentType::signed_char: return static_cast<signed char>(value.u);
    case ArgumentType::signed_short: return static_cast<short>(value.u);
    case ArgumentType::signed_int: return static_cast<int>(value.u);
    case ArgumentType::signed_long: return static_cast<long>(value.u);
    case ArgumentType::signed_long_long: return static_cast<long long>(value.u);
    case ArgumentType::signed_size: return static_cast<std::make_signed_t<std::size_t>>(value.u);
    case ArgumentType::signed_ptrdiff: return static_cast<std::ptrdiff_t>(value.u);
    default: return value.i;
    }
}
std::uintmax_t narrow_unsigned(ArgumentType type, const ArgumentValue &value) {
    switch (type) {
    case ArgumentType::unsigned_char: return static_cast<unsigned char>(value.u);
    case ArgumentType::unsigned_short: return static_cast<unsigned short>(value.u);
    case ArgumentType::unsigned_int: return static_cast<unsigned>(value.u);
    case ArgumentType::unsigned_long: return static_cast<unsigned long>(value.u);
    case ArgumentType::unsigned_long_long: return static_cast<unsigned long long>(value.u);
    case ArgumentType::unsigned_size: return static_cast<std::size_t>(value.u);
    case ArgumentType::unsigned_ptrdiff: return static_cast<std::make_unsigned_t<std::ptrdiff_t>>(value.u);
    default: return value.u;
    }
}

bool is_signed(ArgumentType type) { return type >= ArgumentType::signed_char && type <= ArgumentType::signed_ptrdiff; }
bool is_unsigned(ArgumentType type) {
    return type >= ArgumentType::unsigned_char && type <= ArgumentType::unsigned_ptrdiff;
}

// One conversion's field: its flags with the width and precision its arguments gave.
struct Field {
    unsigned flags;
    int width;      // 0: none
    int precision;  // -1: none
};

// A number's field: its prefix (sign, "0x"), `zeros` zeros, its digits, padded to the width with
// spaces, or with zeros after the prefix when the '0' flag applies (`zero_pad_allowed`).
void put_number_field(Output &out, const char *prefix, std::size_t prefix_length, std::size_t zeros, const char *body,
                      std::size_t body_length, const Field &field, bool zero_pad_allowed) {
    const std::size_t content = prefix_length + zeros + body_length;
    std::size_t pad = static_cast<std::size_t>(field.width) > content ? field.width - content : 0;
    const bool left = field.flags & flag_minus;
    if (!left && (field.flags & flag_zero) && zero_pad_allowed) {
        zeros += pad;
        pad = 0;
    }
    if (!left) out.fill(' ', pad);
    out.put(prefix, prefix_length);
    out.fill('0', zeros);
    out.put(body, body_length);
    if (left) out.fill(' ', pad);
}

// An integer as glibc writes it: sign or "0x" prefix, precision's zeros, digits, padding.
void put_integer(Output &out, std::uintmax_t magnitude, bool negative, char letter, const Field &field, bool sign) {
    // Digits from the last, with a constant base in each loop (a division by a variable costs
    // several times more).
    char digits[sizeof(std::uintmax_t) * 3];
    std::size_t count = 0;
    const bool hex = letter == 'x' || letter == 'X' || letter == 'p';
    if (hex) {
        const char *const digit_set = letter == 'X' ? "0123456789ABCDEF" : "0123456789abcdef";
        for (std::uintmax_t rest = magnitude; rest != 0; rest >>= 4) digits[sizeof digits - ++count] = digit_set[rest & 15];
    } else if (letter == 'o') {
        for (std::uintmax_t rest = magnitude; rest != 0; rest >>= 3) digits[sizeof digits - ++count] = static_cast<char>('0' + (rest & 7));
    } else {
        for (std::uintmax_t rest = magnitude; rest != 0; rest /= 10) digits[sizeof digits - ++count] = static_cast<char>('0' + rest % 10);
    }
    if (magnitude == 0 && field.precision != 0) digits[sizeof digits - ++count] = '0';
    std::size_t zeros = field.precision > 0 && static_cast<std::size_t>(field.precision) > count ? field.precision - count : 0;
    if (letter == 'o' && (field.flags & flag_hash) && zeros == 0 &&
        (count == 0 || digits[sizeof digits - count] != '0')) {
        zeros = 1;
    }
    char prefix[3];
    std::size_t prefix_length = 0;
    if (sign) {
        if (negative) prefix[prefix_length++] = '-';
        else if (field.flags & flag_plus) prefix[prefix_length++] = '+';
        else if (field.flags & flag_space) prefix[prefix_length++] = ' ';
    }
    if (letter == 'p' || ((field.flags & flag_hash) && hex && magnitude != 0)) {
        prefix[prefix_length++] = '0';
        prefix[prefix_length++] = letter == 'X' ? 'X' : 'x';
    }
    put_number_field(out, prefix, prefix_length, zeros, digits + sizeof digits - count, count, field,
                     field.precision < 0);
}

// A double as printf's %f, %e or %g; false when the C library must write it (the '#' flag, or a
// precision too large for the buffer here).
bool put_double(Output &out, double value, char letter, const Field &field) {
    if (field.flags & flag_hash) return false;
    char text[400];
    const std::size_t length = vellix::float_text(value, letter, field.precision, text, sizeof text);
    if (length == 0) return false;
    const bool negative = text[0] == '-';
    const char sign = negative ? '-' : field.flags & flag_plus ? '+' : field.flags & flag_space ? ' ' : '\0';
    const std::size_t skip = negative ? 1 : 0;
    put_number_field(out, &sign, sign ? 1 : 0, 0, text + skip, length - skip, field, std::isfinite(value));
    return true;
}

// The conversion rebuilt without positions, for the C library's snprintf; built in place, since
// floating point conversions pass here on every call.
struct PlainConversion {
    char text[48];
};

char *put_number(char *at, int number) {
    char digits[12];
    int count = 0;
    do {
        digits[count++] = static_cast<char>('0' + number % 10);
        number /= 10;
    } while (number > 0);
    while (count > 0) *at++ = digits[--count];
    return at;
}

PlainConversion plain_conversion(const Field &field, const char *length, char letter) {
    PlainConversion written;
    char *at = written.text;
    *at++ = '%';
    static const struct { unsigned flag; char c; } flags[] = {
        {flag_minus, '-'}, {flag_plus, '+'}, {flag_space, ' '}, {flag_hash, '#'},
        {flag_zero, '0'},
#ifndef _WIN32  // Windows' snprintf reads "I" as a length: the C locale's digits and grouping are kept
        {flag_quote, '\''}, {flag_digits, 'I'},
#endif
    };
    for (const auto &flag : flags) {
        if (field.flags & flag.flag) *at++ = flag.c;
    }
    if (field.width > 0) at = put_number(at, field.width);
    if (field.precision >= 0) {
        *at++ = '.';
        at = put_number(at, field.precision);
    }
    while (*length) *at++ = *length++;
    *at++ = letter;
    *at = '\0';
    return written;
}

// One conversion through the C library's snprintf; false when it fails (a wide character the
// locale cannot write).
template <class Value>
bool put_through_c_library(Output &out, const PlainConversion &conversion, Value value) {
    char local[128];
    const int length = std::snprintf(local, sizeof local, conversion.text, value);
    if (length < 0) return false;
    if (static_cast<std::size_t>(length) < sizeof local) {
        out.put(local, static_cast<std::size_t>(length));
        return true;
    }
    std::vector<char> large(static_cast<std::size_t>(length) + 1);
    std::snprintf(large.data(), large.size(), conversion.text, value);
    out.put(large.data(), static_cast<std::size_t>(length));
    return true;
}

struct Writer {
    const char *format;
    ArgumentValues &values;
    Output &out;
    int saved_errno;
    std::size_t written_to = 0;  // the format's bytes up to here are out
    bool failed = false;
};

void write_conversion(const PrintfConversion &conversion, Writer &writer) {
    Output &out = writer.out;
    out.put(writer.format + writer.written_to, conversion.start - writer.written_to);
    writer.written_to = conversion.end;
    if (conversion.letter == '%') {
        out.put("%", 1);
        return;
    }
    Field field{conversion.flags, conversion.width > 0 ? conversion.width : 0, conversion.precision};
    if (conversion.width_argument) {
        const std::intmax_t width = static_cast<int>(writer.values[conversion.width_argument].u);
        if (width < 0) field.flags |= flag_minus;
        field.width = static_cast<int>(width < 0 ? (width < -INT_MAX ? INT_MAX : -width) : width);
    }
    if (conversion.precision_argument) {
        const std::intmax_t precision = static_cast<int>(writer.values[conversion.precision_argument].u);
        field.precision = precision < 0 ? -1 : static_cast<int>(precision);
    }
    const bool left = field.flags & flag_minus;
    const ArgumentValue value = conversion.argument ? writer.values[conversion.argument] : ArgumentValue{};
    const ArgumentType type = conversion.type;
#ifndef _WIN32
    const bool localized = field.flags & (flag_quote | flag_digits);
#else
    const bool localized = false;
#endif
    if (is_signed(type) && !localized) {
        const std::intmax_t number = narrow_signed(type, value);
        const std::uintmax_t magnitude = number < 0 ? 0 - static_cast<std::uintmax_t>(number) : static_cast<std::uintmax_t>(number);
        put_integer(out, magnitude, number < 0, conversion.letter, field, true);
    } else if (is_unsigned(type) && !localized) {
        put_integer(out, narrow_unsigned(type, value), false, conversion.letter, field, false);
    } else if (is_signed(type)) {
        writer.failed |= !put_through_c_library(out, plain_conversion(field, "j", conversion.letter), narrow_signed(type, value));
    } else if (is_unsigned(type)) {
        writer.failed |= !put_through_c_library(out, plain_conversion(field, "j", conversion.letter), narrow_unsigned(type, value));
    } else if (type == ArgumentType::pointer && value.text.p) {
        put_integer(out, reinterpret_cast<std::uintptr_t>(value.text.p), false, 'p', field, true);
    } else if (type == ArgumentType::pointer) {
        out.put_padded("(nil)", 5, field.width, left);
    } else if (type == ArgumentType::character) {
        const char c = static_cast<char>(static_cast<unsigned char>(value.u));
        out.put_padded(&c, 1, field.width, left);
    } else if (type == ArgumentType::string || type == ArgumentType::none) {
        const char *text = type == ArgumentType::none ? std::strerror(writer.saved_errno) : static_cast<const char *>(value.text.p);
        std::size_t length = 0;
        if (!text) {
            // glibc writes a null string as "(null)", or nothing when the precision cuts it.
            text = field.precision < 0 || field.precision >= 6 ? "(null)" : "";
            length = std::strlen(text);
        } else if (type == ArgumentType::string && value.text.length != SIZE_MAX) {
            length = field.precision >= 0 && static_cast<std::size_t>(field.precision) < value.text.length ? field.precision : value.text.length;
        } else if (field.precision >= 0) {
            const void *end = std::memchr(text, '\0', static_cast<std::size_t>(field.precision));
            length = end ? static_cast<const char *>(end) - text : static_cast<std::size_t>(field.precision);
        } else {
            length = std::strlen(text);
        }
        out.put_padded(text, length, field.width, left);
    } else if (type == ArgumentType::double_value && put_double(out, value.d, conversion.letter, field)) {
    } else if (type == ArgumentType::double_value) {
        writer.failed |= !put_through_c_library(out, plain_conversion(field, "", conversion.letter), value.d);
    } else if (type == ArgumentType::long_double_value) {
        writer.failed |= !put_through_c_library(out, plain_conversion(field, "L", conversion.letter), value.ld);
    } else if (type == ArgumentType::wide_character) {
        writer.failed |= !put_through_c_library(out, plain_conversion(field, "l", 'c'), static_cast<std::wint_t>(value.u));
    } else if (type == ArgumentType::wide_string) {
        writer.failed |= !put_through_c_library(out, plain_conversion(field, "l", 's'), value.wide);
    }
}

}  // namespace

bool printable(const PrintfScan &scan) {
    return scan.valid() && !scan.writes_through_pointer && !scan.arguments.read_two_ways();
}

int refuse_format(char *buffer, std::size_t size) {
    if (buffer && size > 0) buffer[0] = '\0';
    return -1;
}

int write_format(char *buffer, std::size_t size, std::string_view format, const RecordedConversions &recorded,
                 ArgumentValues &values, int saved_errno) {
    Output out{buffer, size};
    Writer writer{format.data(), values, out, saved_errno};
    if (recorded.count <= RecordedConversions::capacity) {
        for (std::size_t i = 0; i < recorded.count; ++i) write_conversion(recorded.slots[i].conversion, writer);
    } else {
        PrintfScan again;
        scan_printf_format(format, PrintfOptions{}, again,
                           [&writer](const PrintfConversion &conversion) { write_conversion(conversion, writer); });
    }
    out.put(format.data() + writer.written_to, format.size() - writer.written_to);
    if (writer.failed || out.length > INT_MAX) return refuse_format(buffer, size);
    if (size > 0) buffer[out.length < size ? out.length : size - 1] = '\0';
    return static_cast<int>(out.length);
}

}  // namespace vellix
