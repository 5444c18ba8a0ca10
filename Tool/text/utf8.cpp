#include "utf8.h"

#include <cstdint>
#include <cstring>

namespace vellix {

bool is_valid_utf8(std::string_view text) { return first_invalid_utf8(text) == text.size(); }

std::size_t first_invalid_utf8(std::string_view text) {
    for (std::size_t at = 0; at < text.size();) {
        // Eight ASCII bytes at a time (most text): none has its high bit set.
        std::uint64_t eight = 0;
        if (text.size() - at >= 8 && (std::memcpy(&eight, text.data() + at, 8), (eight & 0x8080808080808080u) == 0)) {
            at += 8;
            continue;
        }
        const auto lead = static_cast<unsigned char>(text[at]);
        if (lead < 0x80) {
            ++at;
            continue;
        }
        const std::size_t length = lead >= 0xC2 && lead <= 0xDF ? 2 : lead >= 0xE0 && lead <= 0xEF ? 3 : lead >= 0xF0 && lead <= 0xF4 ? 4 : 0;
        if (length == 0 || text.size() - at < length) return at;
        std::uint32_t code_point = lead & (0x7F >> length);
        for (std::size_t i = 1; i < length; ++i) {
            const auto next = static_cast<unsigned char>(text[at + i]);
            if ((next & 0xC0) != 0x80) return at;
            code_point = code_point << 6 | (next & 0x3F);
        }
        // The shortest form only, no surrogate halves, nothing past the last code point.
        const std::uint32_t smallest = length == 3 ? 0x800 : length == 4 ? 0x10000 : 0x80;
        if (code_point < smallest || (code_point >= 0xD800 && code_point <= 0xDFFF) || code_point > 0x10FFFF) return at;
        at += length;
    }
    return text.size();
}

}  // namespace vellix
