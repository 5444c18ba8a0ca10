// Whether bytes are UTF-8 as PO files and the tools that read them demand: every sequence complete
// and shortest, no surrogate, nothing past U+10FFFF.
#ifndef VELLIX_UTF8_H
#define VELLIX_UTF8_H

#include <string_view>

namespace vellix {

bool is_valid_utf8(std::string_view text);

// Where the first byte that does not start a valid sequence stands, or text.size() when all is valid.
std::size_t first_invalid_utf8(std::string_view text);

}  // namespace vellix

#endif
