#include "c_escape.h"

#include "text_escape.h"

#include <cstdint>
#include <cstring>

namespace vellix {
namespace {

void append_utf8(std::string &out, std::uint32_t code_point) {
    if (code_point < 0x80) {
        out += static_cast<char>(code_point);
    } else if (code_point < 0x800) {
        out += static_cast<char>(0xC0 | code_point >> 6);
        out += static_cast<char>(0x80 | (code_point & 0x3F));
    } else if (code_point < 0x10000) {
        out += static_cast<char>(0xE0 | code_point >> 12);
        out += static_cast<char>(0x80 | ((code_point >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code_point & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (code_point >> 18 & 0x07));
        out += static_cast<char>(0x80 | ((code_point >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((code_point >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code_point & 0x3F));
    }
}

// The letter escapes and what they stand for; C also takes \? and \'.
constexpr char letters[] = "ntr\"\\abfv?'";
constexpr char meanings[] = "\n\t\r\"\\\a\b\f\v?'";
constexpr std::size_t po_letters = 9;

bool is_hex_at(std::string_view text, std::size_t at) { return at < text.size() && hex_digit_value(text[at]) >= 0; }

}  // namespace

EscapeRead read_escape(std::string_view text, std::size_t &at, EscapeDialect dialect, std::string &out) {
    const bool c = dialect != EscapeDialect::po;
    const char escape = text[at];
    const std::size_t letter_count = c ? sizeof letters - 1 : po_letters;
    if (const void *letter = std::memchr(letters, escape, letter_count)) {
        out += meanings[static_cast<const char *>(letter) - letters];
        ++at;
        return EscapeRead::decoded;
    }
    std::uint32_t value = 0;
    if (escape >= '0' && escape <= '7') {
        for (std::size_t digits = 0; digits < 3 && at < text.size() && text[at] >= '0' && text[at] <= '7'; ++digits, ++at) {
            value = value * 8 + static_cast<std::uint32_t>(text[at] - '0');
        }
    } else if (escape == 'x' && (c || is_hex_at(text, at + 1))) {
        // Every hex digit that follows, as C reads them. PO keeps the low eight bits; in C, any
        // value past the last code point is as bad as that one.
        const std::uint32_t cap = c ? 0x110000 : 0xFFF;
        for (++at; is_hex_at(text, at); ++at) {
            value = value * 16 + static_cast<std::uint32_t>(hex_digit_value(text[at]));
            value = c ? (value < cap ? value : cap) : value & cap;
        }
    } else if (c && (escape == 'u' || escape == 'U')) {
        const int digits = escape == 'u' ? 4 : 8;
        std::uint32_t code_point = 0;
        ++at;
        for (int read = 0; read < digits && is_hex_at(text, at); ++read, ++at) {
            code_point = code_point * 16 + static_cast<std::uint32_t>(hex_digit_value(text[at]));
        }
        append_utf8(out, code_point < 0x110000 ? code_point : 0x110000);
        return EscapeRead::decoded;
    } else if (c) {
        out += escape;  // an unknown escape stands for its character
        ++at;
        return EscapeRead::decoded;
    } else {
        return EscapeRead::unknown;
    }
    if (dialect == EscapeDialect::po && (value & 0xFF) == 0) return EscapeRead::nul;
    if (dialect == EscapeDialect::c_wide && value > 0xFF) {
        append_utf8(out, value);
        return EscapeRead::decoded;
    }
    if (dialect == EscapeDialect::c && value > 0xFF) return EscapeRead::too_large;
    out += static_cast<char>(value & 0xFF);
    return EscapeRead::decoded;
}

const char *escape_for(char byte) {
    switch (byte) {
    case '\\': return "\\\\";
    case '"': return "\\\"";
    case '\n': return "\\n";
    case '\t': return "\\t";
    case '\r': return "\\r";
    case '\a': return "\\a";
    case '\b': return "\\b";
    case '\f': return "\\f";
    case '\v': return "\\v";
    default: return nullptr;
    }
}

std::string escaped(std::string_view text) {
    std::string result;
    append_escaped(result, text);
    return result;
}

// Runs of bytes that need no escape are appended at once.
void append_escaped(std::string &out, std::string_view text) {
    out.reserve(out.size() + text.size() + 8);
    std::size_t start = 0;
    for (std::size_t at = 0; at < text.size(); ++at) {
        if (const char *escape = escape_for(text[at])) {
            out.append(text, start, at - start).append(escape);
            start = at + 1;
        }
    }
    out.append(text, start, text.size() - start);
}

}  // namespace vellix
