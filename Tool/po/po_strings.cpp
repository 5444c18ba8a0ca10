#include "po_strings.h"

#include "c_escape.h"
#include "text_escape.h"

#include <algorithm>
#include <cstring>

namespace vellix {

std::string decode_string(std::string_view text, std::size_t &at, std::string &out, bool &cut) {
    const auto next = [&](char stop, std::size_t from, std::size_t to) {
        const void *found = std::memchr(text.data() + from, stop, to - from);
        return found ? static_cast<std::size_t>(static_cast<const char *>(found) - text.data()) : to;
    };
    // The next quote at or after `at`, and the next backslash and NUL before it (or the quote).
    std::size_t quote = 0, backslash = 0, nul = 0;
    std::size_t kept = std::string::npos;  // the text's length at a NUL byte
    for (++at; at < text.size();) {
        // Most of a string is plain bytes: copy the run before the next stop byte at once.
        if (quote < at) quote = next('"', at, text.size());
        if (backslash < at) backslash = next('\\', at, quote);
        if (nul < at) nul = next('\0', at, quote);
        const std::size_t run_end = std::min({quote, backslash, nul});
        if (run_end != at) {
            out.append(text.data() + at, run_end - at);
            at = run_end;
            if (at == text.size()) break;
        }
        const char c = text[at];
        if (c == '"') {
            ++at;
            if (kept != std::string::npos) {
                out.resize(kept);
                cut = true;
            }
            return "";
        }
        if (c == '\0') {
            if (kept == std::string::npos) kept = out.size();
            ++at;
            continue;
        }
        if (++at == text.size()) break;
        switch (read_escape(text, at, EscapeDialect::po, out)) {
        case EscapeRead::decoded:
        case EscapeRead::too_large: continue;  // (C code only)
        case EscapeRead::unknown: return std::string("invalid escape sequence '\\") + text[at] + "'";
        case EscapeRead::nul: return "an escape gives a NUL byte, which would end the text there";
        }
    }
    return "unterminated string";
}

const char *wide_encoding(const char *bytes, std::size_t size) {
    const auto starts = [&](const char *mark, std::size_t length) { return size >= length && std::memcmp(bytes, mark, length) == 0; };
    if (starts("\xFF\xFE\0\0", 4)) return "UTF-32LE";
    if (starts("\0\0\xFE\xFF", 4)) return "UTF-32BE";
    if (starts("\xFF\xFE", 2)) return "UTF-16LE";
    if (starts("\xFE\xFF", 2)) return "UTF-16BE";
    return nullptr;
}

bool nuls_inside_strings(std::string_view line) {
    bool inside = false;
    for (std::size_t at = 0; at < line.size(); ++at) {
        const char c = line[at];
        if (c == '\0' && !inside) return false;
        if (c == '"') inside = !inside;
        if (c == '\\' && inside) ++at;
    }
    return true;
}

}  // namespace vellix
