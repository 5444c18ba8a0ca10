// vellix_snprintf and vellix_vsnprintf: printf's conversions with positional arguments on every
// platform. A format is read whole before any argument is: an invalid one (a stray '%', positions
// mixed with plain conversions or skipped, one argument read as two types, %n) writes nothing.
#include "vellix.h"

#include "conversion_writer.h"
#include "printf_conversion.h"

#include <cerrno>
#include <cstdarg>
#include <cstdint>
#include <cwchar>
#include <exception>
#include <type_traits>

namespace {

using vellix::ArgumentType;
using vellix::ArgumentValue;
using vellix::PrintfConversion;

// wint_t is promoted to int where it is narrower (Windows' 16-bit wint_t).
using PromotedWint = std::conditional_t<(sizeof(std::wint_t) < sizeof(int)), int, std::wint_t>;

// Reads the argument of one type from the list; each conversion that prints it narrows it to its
// own type (an argument may be read as "%1$x" and "%1$hhu").
// Written in place: a union returned by value was stored in 8 bytes and loaded in 16, which stalls.
void fetch(ArgumentType type, va_list &args, ArgumentValue &value) {
    switch (type) {
    case ArgumentType::signed_char: case ArgumentType::signed_short: case ArgumentType::signed_int:
    case ArgumentType::character: case ArgumentType::star:
        value.i = va_arg(args, int);
        break;
    case ArgumentType::signed_long: value.i = va_arg(args, long); break;
    case ArgumentType::signed_long_long: value.i = va_arg(args, long long); break;
    case ArgumentType::signed_intmax: value.i = va_arg(args, std::intmax_t); break;
    case ArgumentType::signed_size: value.i = static_cast<std::make_signed_t<std::size_t>>(va_arg(args, std::size_t)); break;
    case ArgumentType::signed_ptrdiff: value.i = va_arg(args, std::ptrdiff_t); break;
    case ArgumentType::unsigned_char: case ArgumentType::unsigned_short: case ArgumentType::unsigned_int:
        value.u = va_arg(args, unsigned);
        break;
    case ArgumentType::unsigned_long: value.u = va_arg(args, unsigned long); break;
    case ArgumentType::unsigned_long_long: value.u = va_arg(args, unsigned long long); break;
    case ArgumentType::unsigned_intmax: value.u = va_arg(args, std::uintmax_t); break;
    case ArgumentType::unsigned_size: value.u = va_arg(args, std::size_t); break;
    case ArgumentType::unsigned_ptrdiff: value.u = static_cast<std::make_unsigned_t<std::ptrdiff_t>>(va_arg(args, std::ptrdiff_t)); break;
    case ArgumentType::double_value: value.d = va_arg(args, double); break;
    case ArgumentType::long_double_value: value.ld = va_arg(args, long double); break;
    case ArgumentType::wide_character: value.u = static_cast<std::wint_t>(va_arg(args, PromotedWint)); break;
    case ArgumentType::string: case ArgumentType::pointer:
        value.text.p = va_arg(args, const void *);
        value.text.length = SIZE_MAX;
        break;
    case ArgumentType::wide_string: value.wide = va_arg(args, const wchar_t *); break;
    default: value.u = 0; break;  // nothing else is fetched: %n and arguments read two ways are refused first
    }
}

}  // namespace

int vellix_vsnprintf(char *buffer, size_t size, const char *format, va_list args) {
    const int saved_errno = errno;
    if (!format) return vellix::refuse_format(buffer, size);
    if (!buffer) size = 0;
    const std::string_view text(format);
    vellix::PrintfScan scan;
    vellix::RecordedConversions recorded;
    try {
        vellix::scan_printf_format(text, vellix::PrintfOptions{}, scan,
                                   [&recorded](const PrintfConversion &conversion) { recorded.add(conversion); });
        if (!vellix::printable(scan)) return vellix::refuse_format(buffer, size);
        vellix::ArgumentValues values(scan.arguments.count());
        va_list list;
        va_copy(list, args);
        for (std::size_t position = 1; position <= scan.arguments.count(); ++position) {
            fetch(scan.arguments.first_type(position), list, values[position]);
        }
        va_end(list);
        const int length = vellix::write_format(buffer, size, text, recorded, values, saved_errno);
        errno = saved_errno;
        return length;
    } catch (const std::exception &) {  // memory for a large field or a call of many arguments
        return vellix::refuse_format(buffer, size);
    }
}

int vellix_snprintf(char *buffer, size_t size, const char *format, ...) {
    va_list args;
    va_start(args, format);
    const int length = vellix_vsnprintf(buffer, size, format, args);
    va_end(args);
    return length;
}
