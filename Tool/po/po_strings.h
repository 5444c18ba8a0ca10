// The pieces of PO text below its grammar: a quoted string and its escapes, a byte-order mark that
// rules the file out, NUL bytes inside and outside strings.
#ifndef VELLIX_PO_STRINGS_H
#define VELLIX_PO_STRINGS_H

#include <cstddef>
#include <string>
#include <string_view>

namespace vellix {

// Decodes one quoted string starting at text[at] == '"' and appends it to `out`; leaves `at` after
// the closing quote. Gives the error text, or "" when the string is well formed. Linear in the
// string's length: no byte is searched twice for the same stop byte (a backslash is looked for only
// up to the next quote), however many escapes the string holds. A NUL byte ends the text, as gettext
// reads it: what follows it up to the closing quote is read but dropped, and `cut` is set.
std::string decode_string(std::string_view text, std::size_t &at, std::string &out, bool &cut);

// The encoding a UTF-16 or UTF-32 byte-order mark at the start names, or null.
const char *wide_encoding(const char *bytes, std::size_t size);

// Whether every NUL byte of a line stands inside a quoted string (strings never span lines).
bool nuls_inside_strings(std::string_view line);

}  // namespace vellix

#endif
