// Escapes, both ways: bytes shown in a message or a listing, where control bytes (and, when asked,
// every byte outside printable ASCII) become \xHH, so that output stays one line per item; and the
// digits of escapes read from C and PO strings.
#ifndef VELLIX_TEXT_ESCAPE_H
#define VELLIX_TEXT_ESCAPE_H

#include <string>
#include <string_view>

namespace vellix {

// The value of a hexadecimal digit, or -1 for any other character (as escapes in C and PO read them).
inline int hex_digit_value(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

inline std::string escape_bytes(std::string_view text, bool ascii_only) {
    static const char digits[] = "0123456789ABCDEF";
    std::string shown;
    shown.reserve(text.size());
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        const bool printable = byte >= 0x20 && byte != 0x7F && (!ascii_only || byte < 0x80);
        if (printable) {
            shown += c;
        } else {
            shown += "\\x";
            shown += digits[byte >> 4];
            shown += digits[byte & 0x0F];
        }
    }
    return shown;
}

// At most the first `most` bytes of text from the input, as a message shows them (every byte
// outside printable ASCII escaped, "..." for the rest), so that a binary or runaway input gives a
// short message.
inline std::string excerpt(std::string_view text, std::size_t most = 40) {
    return escape_bytes(text.substr(0, most), true) + (text.size() > most ? "..." : "");
}

// A key as messages show it, between single quotes.
inline std::string quoted(std::string_view key) { return "'" + escape_bytes(key, false) + "'"; }

}  // namespace vellix

#endif
