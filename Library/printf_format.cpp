#include "printf_format.h"

#include "printf_conversion.h"

#include <string>

namespace vellix {

std::string fault_reason(const PrintfScan &scan) {
    switch (scan.fault) {
    case PrintfFault::none: return "";
    case PrintfFault::ends_early: return "the text ends in the middle of a conversion";
    case PrintfFault::stray_percent: return "a '%' at byte " + std::to_string(scan.fault_at) + " starts no valid conversion";
    case PrintfFault::mixed: return "it names arguments both by position and in turn";
    case PrintfFault::gap: return "argument " + std::to_string(scan.fault_at) + " is not used, though a later one is";
    }
    return "";
}

PrintfFormat read_printf_format(std::string_view text) {
    PrintfFormat format;
    PrintfScan scan;
    PrintfOptions options;
    options.inttypes_macros = true;
    scan_printf_format(text, options, scan, [&format, text](const PrintfConversion &conversion) {
        format.conversions.emplace_back(text.substr(conversion.start, conversion.end - conversion.start));
        format.offsets.push_back(conversion.start);
    });
    format.before_first_fault = scan.before_first_fault;
    format.invalid_because = fault_reason(scan);
    for (std::size_t position = 1; position <= scan.arguments.count(); ++position) {
        format.argument_types.emplace_back(argument_type_name(scan.arguments[position]));
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
