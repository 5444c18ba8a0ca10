// C string escapes, both ways, for every reader and writer of quoted text: the PO reader and writer
// and the C and C++ scanner. PO strings take C's escapes but for \? \' \u \U, and refuse an escape
// they do not know; C code takes an unknown escape as its character, as compilers do with a warning.
#ifndef VELLIX_C_ESCAPE_H
#define VELLIX_C_ESCAPE_H

#include <string>
#include <string_view>

namespace vellix {

// C code reads an octal or hex escape's value as one byte in a narrow literal ("", u8""), but as a
// code point in a wide one (L"", u"", U"").
enum class EscapeDialect { po, c, c_wide };

enum class EscapeRead {
    decoded,  // the byte or bytes were appended
    unknown,  // not an escape of the dialect (PO only); nothing was appended
    nul,      // the escape gives a NUL byte (PO only, where it would cut the text); nothing was appended
    too_large,  // an octal or hex escape above 0xFF in a narrow C literal, which compilers refuse; nothing was appended
};

// Reads the escape whose backslash comes just before text[at] (which must exist), appends what it
// stands for to `out` and leaves `at` just past it: \n \t \r \" \\ \a \b \f \v (and in C \? \'),
// up to three octal digits, \x and every hex digit after it (in PO the low eight bits; in C the
// byte, or in a wide literal the code point as UTF-8), and in C \u and \U with four and eight hex
// digits, as UTF-8. A value past U+10FFFF (or a surrogate) gives bytes that are not valid UTF-8.
EscapeRead read_escape(std::string_view text, std::size_t &at, EscapeDialect dialect, std::string &out);

// The escape a byte needs inside a quoted string ("\\n" for a line feed), or null for one that needs
// none: \\ \" and the control bytes that have a letter; every other byte, UTF-8 included, as it is,
// as gettext's tools write them.
const char *escape_for(char byte);

// `text` as the inside of a quoted string, each byte escaped as escape_for says.
std::string escaped(std::string_view text);
void append_escaped(std::string &out, std::string_view text);

}  // namespace vellix

#endif
