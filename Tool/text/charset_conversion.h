// Text in a named charset (ISO-8859-1, KOI8-R, Shift_JIS, Big5, ...) turned into UTF-8 by the
// operating system's converter: iconv on POSIX systems, MultiByteToWideChar with the charset's code
// page on Windows. No converter of our own, and no library beyond the system's.
#ifndef VELLIX_CHARSET_CONVERSION_H
#define VELLIX_CHARSET_CONVERSION_H

#include <cstddef>
#include <string>
#include <string_view>

namespace vellix {

struct Utf8Conversion {
    enum class Outcome { converted, unknown_charset, invalid_bytes } outcome = Outcome::converted;
    std::string text;              // the UTF-8 text, when converted
    std::size_t invalid_at = 0;    // where the first byte that is not valid in the charset stands
};

// Whether a charset name means UTF-8 or its ASCII subset, which need no conversion ("" and the
// templates' placeholder "CHARSET" included).
bool is_utf8_charset(std::string_view charset);

// `text`, read in `charset`, as UTF-8. Shift_JIS is read as its Windows form (CP932), whose 0x5C is
// the backslash that PO escapes start with, not the yen sign of JIS X 0201.
Utf8Conversion convert_to_utf8(std::string_view text, const std::string &charset);

// Whether `charset` is Shift_JIS by one of its names (not CP932): its bytes 0x5C and 0x7E are then
// the yen sign and the overline of JIS X 0201 in a translation shown to a user, as gettext's
// converter gives them, though convert_to_utf8 reads them as ASCII so that escapes and keys work.
bool is_jis_roman_charset(std::string_view charset);

// `utf8` as a Shift_JIS text shows it: each backslash a yen sign, each tilde an overline.
std::string in_jis_roman(std::string_view utf8);

// UTF-8 text in `charset`: the same bytes for text that convert_to_utf8 made from it; invalid_bytes
// (at the character) for a character the charset cannot hold.
Utf8Conversion convert_from_utf8(std::string_view utf8, const std::string &charset);

}  // namespace vellix

#endif
