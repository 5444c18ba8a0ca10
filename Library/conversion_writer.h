// The writing half of vellix_snprintf and of the C++ layer's checked formatting: a format whose
// conversions were read and found printable, written with its arguments' values, whichever way the
// values came (a va_list, or typed values).
#ifndef VELLIX_CONVERSION_WRITER_H
#define VELLIX_CONVERSION_WRITER_H

#include "printf_conversion.h"

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <type_traits>
#include <vector>

namespace vellix {

// One argument's value, as wide as its kind gets. A string's `length` bounds a text that need not
// end in NUL (SIZE_MAX: it does); a pointer for %p is `text.p` too.
union ArgumentValue {
    std::intmax_t i;
    std::uintmax_t u;
    double d;
    long double ld;
    struct {
        const void *p;
        std::size_t length;
    } text;
    const wchar_t *wide;
};

// The arguments of one call, by position (from 1), in place for a dozen.
class ArgumentValues {
public:
    explicit ArgumentValues(std::size_t count) : large_(count > 12 ? count : 0) {}
    ArgumentValue &operator[](std::size_t position) { return large_.empty() ? small_[position - 1] : large_[position - 1]; }

private:
    ArgumentValue small_[12];  // each position is set before it is read
    std::vector<ArgumentValue> large_;
};

// The conversions of a format as its reading found them, kept for the writing when there are few
// (most formats), so that the format is read once; beyond that the writing reads it again.
struct RecordedConversions {
    static constexpr std::size_t capacity = 16;
    union Slot {
        Slot() {}
        PrintfConversion conversion;
    } slots[capacity];
    std::size_t count = 0;

    void add(const PrintfConversion &conversion) {
        if (count < capacity) slots[count].conversion = conversion;
        ++count;
    }
};
static_assert(std::is_trivially_copyable_v<PrintfConversion> && std::is_trivially_destructible_v<PrintfConversion>,
              "conversions are kept in raw slots");

// Whether a format may be printed: valid, without %n, no argument read as two types.
bool printable(const PrintfScan &scan);

// Writes `format`, printable and read into `recorded`, with `values` into `buffer` as snprintf
// does (at most `size` bytes, the last a NUL). `saved_errno` is what %m shows. Returns the whole
// length, or -1 with an empty buffer when a conversion fails (a wide character the locale cannot
// write) or the text is longer than INT_MAX.
int write_format(char *buffer, std::size_t size, std::string_view format, const RecordedConversions &recorded,
                 ArgumentValues &values, int saved_errno);

// An empty string in `buffer` (when it has room) and -1.
int refuse_format(char *buffer, std::size_t size);

}  // namespace vellix

#endif
