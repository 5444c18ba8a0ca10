#include "charset_conversion.h"

#include "header_fields.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

#ifdef _WIN32
#include <windows.h>
#else
#include <iconv.h>
#endif

namespace vellix {

bool is_utf8_charset(std::string_view charset) {
    for (const char *taken : {"", "utf-8", "utf8", "ascii", "us-ascii", "charset"}) {
        if (same_name(charset, taken)) return true;
    }
    return false;
}

namespace {

const char *const shift_jis_names[] = {"shift_jis", "shift-jis", "sjis", "ms_kanji", "csshiftjis"};

}  // namespace

bool is_jis_roman_charset(std::string_view charset) {
    for (const char *name : shift_jis_names) {
        if (same_name(charset, name)) return true;
    }
    return false;
}

std::string in_jis_roman(std::string_view utf8) {
    std::string shown;
    shown.reserve(utf8.size());
    for (const char c : utf8) {
        if (c == '\\') {
            shown += "\xC2\xA5";  // U+00A5 YEN SIGN
        } else if (c == '~') {
            shown += "\xE2\x80\xBE";  // U+203E OVERLINE
        } else {
            shown += c;
        }
    }
    return shown;
}

#ifdef _WIN32

namespace {

// The Windows code page of a charset name as PO headers write them; 0 for one Windows lacks.
unsigned code_page_of(const std::string &charset) {
    if (is_jis_roman_charset(charset)) return 932;
    std::string name;  // upper case, without '-' and '_'
    for (const char c : charset) {
        if (c == '-' || c == '_') continue;
        name += static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
    }
    if (name.compare(0, 7, "ISO8859") == 0 && name.size() > 7) {
        const int part = std::atoi(name.c_str() + 7);
        if (part >= 1 && part <= 16 && part != 12) return part == 11 ? 874u : 28590u + static_cast<unsigned>(part);
        return 0;
    }
    if (name.compare(0, 7, "WINDOWS") == 0 && name.size() > 7) return static_cast<unsigned>(std::atoi(name.c_str() + 7));
    if (name.compare(0, 2, "CP") == 0 && name.size() > 2) return static_cast<unsigned>(std::atoi(name.c_str() + 2));
    static const struct {
        const char *name;
        unsigned page;
    } pages[] = {{"KOI8R", 20866}, {"KOI8U", 21866},  {"EUCJP", 20932},
                 {"EUCKR", 949}, {"GB2312", 936},   {"GBK", 936},     {"GB18030", 54936}, {"BIG5", 950},
                 {"BIG5HKSCS", 950}, {"TIS620", 874}, {"VISCII", 1258}};
    for (const auto &page : pages) {
        if (name == page.name) return page.page;
    }
    return 0;
}

}  // namespace

Utf8Conversion convert_to_utf8(std::string_view text, const std::string &charset) {
    Utf8Conversion result;
    const unsigned page = code_page_of(charset);
    CPINFO information;
    if (page == 0 || !GetCPInfo(page, &information)) {
        result.outcome = Utf8Conversion::Outcome::unknown_charset;
        return result;
    }
    if (text.empty()) return result;
    // Line by line, so that a byte the code page refuses is found on its line.
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        end = end == std::string_view::npos ? text.size() : end + 1;
        const int length = static_cast<int>(end - start);
        const int wide_length = MultiByteToWideChar(page, MB_ERR_INVALID_CHARS, text.data() + start, length, nullptr, 0);
        if (wide_length <= 0) {
            // The longest prefix of the line that converts ends where the bad byte starts (looked
            // for in the first 4 KB of the line only).
            result.outcome = Utf8Conversion::Outcome::invalid_bytes;
            result.invalid_at = start;
            for (int prefix = 1; prefix <= length && prefix <= 4096; ++prefix) {
                if (MultiByteToWideChar(page, MB_ERR_INVALID_CHARS, text.data() + start, prefix, nullptr, 0) > 0) {
                    result.invalid_at = start + static_cast<std::size_t>(prefix);
                }
            }
            return result;
        }
        std::wstring wide(static_cast<std::size_t>(wide_length), L'\0');
        MultiByteToWideChar(page, MB_ERR_INVALID_CHARS, text.data() + start, length, wide.data(), wide_length);
        const int utf8_length = WideCharToMultiByte(CP_UTF8, 0, wide.data(), wide_length, nullptr, 0, nullptr, nullptr);
        const std::size_t at = result.text.size();
        result.text.resize(at + static_cast<std::size_t>(utf8_length));
        WideCharToMultiByte(CP_UTF8, 0, wide.data(), wide_length, result.text.data() + at, utf8_length, nullptr, nullptr);
        start = end;
    }
    return result;
}

Utf8Conversion convert_from_utf8(std::string_view utf8, const std::string &charset) {
    Utf8Conversion result;
    const unsigned page = code_page_of(charset);
    if (page == 0) result.outcome = Utf8Conversion::Outcome::unknown_charset;
    if (utf8.empty() || page == 0) return result;
    const int length = static_cast<int>(utf8.size());
    const int wide_length = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), length, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(wide_length), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), length, wide.data(), wide_length);
    BOOL defaulted = FALSE;  // a character the code page lacks was replaced
    const int out_length = WideCharToMultiByte(page, WC_NO_BEST_FIT_CHARS, wide.data(), wide_length, nullptr, 0, nullptr, &defaulted);
    result.text.assign(static_cast<std::size_t>(out_length), '\0');
    WideCharToMultiByte(page, WC_NO_BEST_FIT_CHARS, wide.data(), wide_length, result.text.data(), out_length, nullptr, nullptr);
    if (defaulted) result.outcome = Utf8Conversion::Outcome::invalid_bytes;
    return result;
}

#else

namespace {

// The name iconv knows the charset by, for reading PO files.
std::string iconv_name(const std::string &charset) {
    return is_jis_roman_charset(charset) ? "CP932" : charset;
}

Utf8Conversion convert(std::string_view text, const std::string &from, const std::string &to) {
    Utf8Conversion result;
    const iconv_t converter = iconv_open(to.c_str(), from.c_str());
    if (converter == reinterpret_cast<iconv_t>(-1)) {
        result.outcome = Utf8Conversion::Outcome::unknown_charset;
        return result;
    }
    result.text.resize(text.size() * 2 + 16);
    char *in = const_cast<char *>(text.data());
    std::size_t in_left = text.size();
    std::size_t written = 0;
    while (in_left > 0) {
        char *out = result.text.data() + written;
        std::size_t out_left = result.text.size() - written;
        const std::size_t done = iconv(converter, &in, &in_left, &out, &out_left);
        written = result.text.size() - out_left;
        if (done != static_cast<std::size_t>(-1)) break;
        if (errno == E2BIG) {
            result.text.resize(result.text.size() * 2);
            continue;
        }
        // EILSEQ: a byte the charset does not know; EINVAL: a character cut short at the end.
        result.outcome = Utf8Conversion::Outcome::invalid_bytes;
        result.invalid_at = text.size() - in_left;
        break;
    }
    iconv_close(converter);
    result.text.resize(written);
    return result;
}

}  // namespace

Utf8Conversion convert_to_utf8(std::string_view text, const std::string &charset) { return convert(text, iconv_name(charset), "UTF-8"); }

Utf8Conversion convert_from_utf8(std::string_view utf8, const std::string &charset) { return convert(utf8, "UTF-8", iconv_name(charset)); }

#endif

}  // namespace vellix
