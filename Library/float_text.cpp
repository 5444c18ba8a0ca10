#include "float_text.h"

#include <charconv>
#include <cmath>

namespace vellix {

std::size_t float_text(double value, char letter, int precision, char *text, std::size_t size) {
    std::chars_format format;
    switch (letter) {
    case 'f': case 'F': format = std::chars_format::fixed; break;
    case 'e': case 'E': format = std::chars_format::scientific; break;
    case 'g': case 'G': format = std::chars_format::general; break;
    default: return 0;
    }
    if (precision < 0) precision = 6;
    if (format == std::chars_format::general && precision == 0) precision = 1;
    char *end = text;
    if (std::isnan(value)) {
        // printf's spelling; to_chars may differ in the sign of a NaN
        if (size < 4) return 0;
        if (std::signbit(value)) *end++ = '-';
        *end++ = 'n';
        *end++ = 'a';
        *end++ = 'n';
    } else {
        const std::to_chars_result result = std::to_chars(text, text + size, value, format, precision);
        if (result.ec != std::errc()) return 0;
        end = result.ptr;
    }
    if (letter >= 'A' && letter <= 'Z') {
        for (char *at = text; at != end; ++at) {
            if (*at >= 'a' && *at <= 'z') *at = static_cast<char>(*at - 'a' + 'A');
        }
    }
    return static_cast<std::size_t>(end - text);
}

}  // namespace vellix
