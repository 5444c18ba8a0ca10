// Floating point numbers as printf writes them with %f, %e and %g, through std::to_chars, whose
// rounding with a precision is printf's by definition, on every platform.
#ifndef VELLIX_FLOAT_TEXT_H
#define VELLIX_FLOAT_TEXT_H

#include <cstddef>

namespace vellix {

// Writes `value` as the conversion `letter` (f F e E g G) with `precision` (-1 for printf's 6)
// into `text`, sign included, no padding. Returns the length, or 0 when the text does not fit in
// `size` or the letter is another.
std::size_t float_text(double value, char letter, int precision, char *text, std::size_t size);

}  // namespace vellix

#endif
