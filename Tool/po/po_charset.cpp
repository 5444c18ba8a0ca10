#include "po_charset.h"

#include "charset_conversion.h"
#include "text_escape.h"

#include <algorithm>
#include <cctype>
#include <cstring>

namespace vellix {
namespace {

// The charset the header entry declares, found in the raw bytes before they are read, so that a
// file in another charset can be converted first: the header is the first entry, its msgid empty,
// its fields ASCII in every charset a PO file may use. "" when there is no such header. `whole`
// says whether the header ends within `po` (else `po` may be the start of a file that holds more).
std::string header_charset(std::string_view po, bool *whole = nullptr) {
    if (whole) *whole = false;
    std::size_t start = po.compare(0, 6, "msgid ") == 0 ? 0 : po.find("\nmsgid ");
    if (start == std::string_view::npos) return "";
    start += po[start] == '\n' ? 1 : 0;
    if (po.compare(start, 9, "msgid \"\"\n") != 0 && po.compare(start, 10, "msgid \"\"\r\n") != 0) return "";
    const std::size_t end = std::min(po.find("\n\n", start), po.find("\nmsgid", start + 1));
    if (whole) *whole = end != std::string_view::npos;
    const std::string_view header = po.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
    const std::size_t charset = header.find("charset=");
    if (charset == std::string_view::npos) return "";
    std::size_t stop = charset + 8;
    while (stop < header.size() && (std::isalnum(static_cast<unsigned char>(header[stop])) || std::memchr("-_.:", header[stop], 4))) ++stop;
    return std::string(header.substr(charset + 8, stop - charset - 8));
}

std::uint64_t line_at(std::string_view text, std::size_t offset) {
    return static_cast<std::uint64_t>(std::count(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(offset), '\n')) + 1;
}

}  // namespace

bool po_declares_utf8(std::string_view start) {
    bool whole = false;
    const std::string charset = header_charset(start, &whole);
    return whole && !charset.empty() && is_utf8_charset(charset);
}

PoInUtf8 po_in_utf8(std::string_view po) {
    PoInUtf8 result;
    const std::string charset = header_charset(po);
    if (is_utf8_charset(charset)) return result;
    Utf8Conversion converted = convert_to_utf8(po, charset);
    switch (converted.outcome) {
    case Utf8Conversion::Outcome::unknown_charset:
        result.failed = true;
        result.problem = error_at(line_at(po, po.find("charset=")), "the charset " + charset +
                                                                        " is unknown to this system's converter: convert the file to "
                                                                        "UTF-8 (msgconv --to-code=UTF-8 FILE); it cannot be read "
                                                                        "character by character, even to keep its bytes");
        break;
    case Utf8Conversion::Outcome::invalid_bytes:
        result.failed = true;
        result.problem = error_at(line_at(po, converted.invalid_at),
                                  "bytes that are not " + charset + ", as the header says the file is (" +
                                      excerpt(po.substr(converted.invalid_at, 4), 4) + "...): fix them, or give the file's real charset");
        break;
    case Utf8Conversion::Outcome::converted:
        result.charset = charset;
        result.text = std::move(converted.text);
        break;
    }
    return result;
}

}  // namespace vellix
