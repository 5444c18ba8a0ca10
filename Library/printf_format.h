// The printf conversions in a text, so that a translation can be checked against its original:
// which arguments the text consumes, of which types, in which positions.
#ifndef VELLIX_PRINTF_FORMAT_H
#define VELLIX_PRINTF_FORMAT_H

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace vellix {

struct PrintfFormat {
    // Every conversion as written, "%%" included, in text order, and the byte where each starts.
    std::vector<std::string> conversions;
    std::vector<std::size_t> offsets;
    // How many of them come before the first fault (a '%' that starts no valid conversion, or the
    // first conversion that numbers its argument after one that did not, or the other way round).
    std::size_t before_first_fault = 0;
    // The type each argument must have, by argument position (from 1, so element 0 is argument 1);
    // "unused" for a position no conversion consumes, "conflicting" for one given two types.
    std::vector<std::string> argument_types;
    // Why printf would not take the text as a format ("" when it would): a '%' that starts no
    // valid conversion, arguments named both by position and in turn, or a numbered argument
    // skipped.
    std::string invalid_because;
};

struct PrintfScan;

// Why printf would not take a scanned text as a format, "" when it would.
std::string fault_reason(const PrintfScan &scan);

// Reads the conversions of `text`. A '%' that does not start a valid conversion is text (glibc
// prints such a sequence as it stands) and consumes nothing.
PrintfFormat read_printf_format(std::string_view text);

// The conversions as messages show them: "%d %s", or "none".
std::string listed_conversions(const PrintfFormat &format);

// Whether two texts consume the same arguments.
bool same_arguments(const PrintfFormat &left, const PrintfFormat &right);

}  // namespace vellix

#endif
