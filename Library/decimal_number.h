// Reading an unsigned decimal number from text, as the plural rule and the plural-form keys both do.
#ifndef VELLIX_DECIMAL_NUMBER_H
#define VELLIX_DECIMAL_NUMBER_H

#include <cstddef>
#include <limits>
#include <string_view>

namespace vellix {

// The digits from text[at] on as a number that fits an unsigned long, `at` left after them; false
// when there are none or the number does not fit.
inline bool read_decimal(std::string_view text, std::size_t &at, unsigned long &value) {
    const std::size_t start = at;
    value = 0;
    while (at < text.size() && text[at] >= '0' && text[at] <= '9') {
        const unsigned long digit = static_cast<unsigned long>(text[at] - '0');
        if (value > (std::numeric_limits<unsigned long>::max() - digit) / 10) return false;
        value = value * 10 + digit;
        ++at;
    }
    return at != start;
}

}  // namespace vellix

#endif
