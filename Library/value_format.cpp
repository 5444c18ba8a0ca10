// vellix_format_values: a format written with typed values instead of a va_list, every conversion
// checked against the value it reads, so that the C++ layer can refuse a translation whose
// conversions do not fit the program's arguments and report a program whose own text does not.
#include "vellix.h"

#include "conversion_writer.h"
#include "printf_conversion.h"
#include "printf_format.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <exception>
#include <string>

namespace {

using vellix::ArgumentType;
using vellix::PrintfConversion;

// The bytes of the integer type a conversion reads, 0 for another kind.
std::size_t integer_size(ArgumentType type) {
    switch (type) {
    case ArgumentType::signed_char: case ArgumentType::unsigned_char: return 1;
    case ArgumentType::signed_short: case ArgumentType::unsigned_short: return sizeof(short);
    case ArgumentType::signed_int: case ArgumentType::unsigned_int: return sizeof(int);
    case ArgumentType::signed_long: case ArgumentType::unsigned_long: return sizeof(long);
    case ArgumentType::signed_long_long: case ArgumentType::unsigned_long_long: return sizeof(long long);
    case ArgumentType::signed_intmax: case ArgumentType::unsigned_intmax: return sizeof(std::intmax_t);
    case ArgumentType::signed_size: case ArgumentType::unsigned_size: return sizeof(std::size_t);
    case ArgumentType::signed_ptrdiff: case ArgumentType::unsigned_ptrdiff: return sizeof(std::ptrdiff_t);
    default: return 0;
    }
}

// The C type (as vellix_value's rank counts them) a conversion of an integer reads; 0 for the
// typedef'd ones (%zu, %jd, %td), whose type differs between platforms.
int integer_rank(ArgumentType type) {
    switch (type) {
    case ArgumentType::signed_char: case ArgumentType::unsigned_char: return 1;
    case ArgumentType::signed_short: case ArgumentType::unsigned_short: return 2;
    case ArgumentType::signed_int: case ArgumentType::unsigned_int: return 3;
    case ArgumentType::signed_long: case ArgumentType::unsigned_long: return 4;
    case ArgumentType::signed_long_long: case ArgumentType::unsigned_long_long: return 5;
    default: return 0;
    }
}

// Whether an integer value is what a conversion reads: the same C type (so %ld takes no int even
// where the two are one size, and a program that runs clean on one platform does on the others),
// or a smaller one that C promotes to int anyway; by size for typedef'd types.
bool integer_fits(const vellix_value &value, ArgumentType type) {
    const std::size_t wanted = integer_size(type);
    const int rank = integer_rank(type);
    if (rank == 0 || value.rank == 0) return value.size == wanted || (wanted <= sizeof(int) && value.size < wanted);
    return value.rank == rank || (rank <= 3 && value.rank < rank);
}

bool fits(ArgumentType type, const vellix_value &value) {
    const bool is_signed = type >= ArgumentType::signed_char && type <= ArgumentType::signed_ptrdiff;
    const bool is_unsigned = type >= ArgumentType::unsigned_char && type <= ArgumentType::unsigned_ptrdiff;
    if (is_signed) return value.kind == VELLIX_VALUE_SIGNED && integer_fits(value, type);
    if (is_unsigned) return value.kind == VELLIX_VALUE_UNSIGNED && integer_fits(value, type);
    switch (type) {
    case ArgumentType::character:
        return value.kind == VELLIX_VALUE_CHAR ||
               ((value.kind == VELLIX_VALUE_SIGNED || value.kind == VELLIX_VALUE_UNSIGNED) && value.size <= sizeof(int));
    case ArgumentType::star: return value.kind == VELLIX_VALUE_SIGNED && value.size <= sizeof(int);
    case ArgumentType::double_value: return value.kind == VELLIX_VALUE_DOUBLE;
    case ArgumentType::long_double_value: return value.kind == VELLIX_VALUE_LONG_DOUBLE;
    case ArgumentType::string: return value.kind == VELLIX_VALUE_STRING;
    case ArgumentType::pointer: return value.kind == VELLIX_VALUE_POINTER || value.kind == VELLIX_VALUE_STRING;
    default: return false;  // wide characters and strings: no value kind is one
    }
}

std::string described(const vellix_value &value) {
    switch (value.kind) {
    case VELLIX_VALUE_SIGNED: case VELLIX_VALUE_UNSIGNED: {
        static const char *const names[] = {"char", "short", "int", "long", "long long"};
        const std::string sign = value.kind == VELLIX_VALUE_SIGNED ? "signed " : "unsigned ";
        const std::string article = value.kind == VELLIX_VALUE_SIGNED ? "a " : "an ";
        if (value.rank >= 1 && value.rank <= 5) return article + sign + names[value.rank - 1];
        return article + sign + "integer of " + std::to_string(value.size) + " bytes";
    }
    case VELLIX_VALUE_CHAR: return "a char";
    case VELLIX_VALUE_DOUBLE: return "a double";
    case VELLIX_VALUE_LONG_DOUBLE: return "a long double";
    case VELLIX_VALUE_STRING: return "a string";
    case VELLIX_VALUE_POINTER: return "a pointer";
    default: return "a value of unknown kind " + std::to_string(value.kind);
    }
}

// The value as the writer keeps it.
vellix::ArgumentValue stored(const vellix_value &value) {
    vellix::ArgumentValue kept{};
    switch (value.kind) {
    case VELLIX_VALUE_SIGNED: case VELLIX_VALUE_CHAR: kept.i = value.as.integer; break;
    case VELLIX_VALUE_UNSIGNED: kept.u = value.as.uinteger; break;
    case VELLIX_VALUE_DOUBLE: kept.d = value.as.number; break;
    case VELLIX_VALUE_LONG_DOUBLE: kept.ld = value.as.long_number; break;
    case VELLIX_VALUE_STRING:
        kept.text.p = value.as.text;
        kept.text.length = value.size;
        break;
    default: kept.text.p = value.as.pointer; break;
    }
    return kept;
}

int refuse(char *buffer, std::size_t size, char *error, std::size_t error_size, const std::string &why) {
    if (error && error_size > 0) std::snprintf(error, error_size, "%s", why.c_str());
    return vellix::refuse_format(buffer, size);
}

// Why the value at `position` does not fit what `conversion` reads there, "" when it does.
std::string misfit(std::string_view format, const PrintfConversion &conversion, std::size_t position, ArgumentType type,
                   const vellix_value *values, std::size_t count) {
    const std::string name = "'" + std::string(format.substr(conversion.start, conversion.end - conversion.start)) + "'";
    if (position > count) {
        return name + " reads argument " + std::to_string(position) + ", but " +
               (count == 1 ? std::string("only 1 is given") : std::to_string(count) + " are given");
    }
    if (fits(type, values[position - 1])) return "";
    return name + " needs " + vellix::argument_type_name(type) + " for argument " + std::to_string(position) + ", not " +
           described(values[position - 1]);
}

}  // namespace

int vellix_format_values(char *buffer, size_t size, const char *format, const vellix_value *values, size_t count,
                         char *error, size_t error_size) {
    const int saved_errno = errno;
    if (error && error_size > 0) error[0] = '\0';
    if (!buffer) size = 0;
    if (!format) return refuse(buffer, size, error, error_size, "no format");
    if (!values) count = 0;
    try {
        const std::string_view text(format);
        vellix::PrintfScan scan;
        vellix::RecordedConversions recorded;
        std::string why;
        vellix::scan_printf_format(text, vellix::PrintfOptions{}, scan, [&](const PrintfConversion &conversion) {
            recorded.add(conversion);
            if (!why.empty() || conversion.letter == '%' || conversion.letter == 'n') return;
            if (conversion.width_argument) {
                why = misfit(text, conversion, conversion.width_argument, ArgumentType::star, values, count);
            }
            if (why.empty() && conversion.precision_argument) {
                why = misfit(text, conversion, conversion.precision_argument, ArgumentType::star, values, count);
            }
            if (why.empty() && conversion.argument) {
                why = misfit(text, conversion, conversion.argument, conversion.type, values, count);
            }
        });
        if (!scan.valid()) return refuse(buffer, size, error, error_size, vellix::fault_reason(scan));
        if (scan.writes_through_pointer) return refuse(buffer, size, error, error_size, "%n writes through an argument");
        if (!why.empty()) return refuse(buffer, size, error, error_size, why);
        vellix::ArgumentValues kept(scan.arguments.count());
        for (std::size_t position = 1; position <= scan.arguments.count(); ++position) kept[position] = stored(values[position - 1]);
        const int length = vellix::write_format(buffer, size, text, recorded, kept, saved_errno);
        errno = saved_errno;
        return length < 0 ? refuse(buffer, size, error, error_size, "the C library could not write a conversion") : length;
    } catch (const std::exception &) {
        return refuse(buffer, size, error, error_size, "out of memory");
    }
}
