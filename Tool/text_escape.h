// Bytes shown in a message or a listing: control bytes (and, when asked, every byte outside
// printable ASCII) become \xHH, so that output stays one line per item.
#ifndef VELLIX_TEXT_ESCAPE_H
#define VELLIX_TEXT_ESCAPE_H

#include <string>
#include <string_view>

namespace vellix {

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

}  // namespace vellix

#endif
