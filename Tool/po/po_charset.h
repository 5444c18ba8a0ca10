// A PO file in another charset than UTF-8, made ready to read: its header's charset is found in the
// raw bytes (the header's fields are ASCII in every charset a PO file may use), and the whole file is
// converted to UTF-8 by the system's converter, so that no byte of a multibyte character (a second
// byte 0x5C in Shift_JIS or Big5) is ever read as a quote or a backslash.
#ifndef VELLIX_PO_CHARSET_H
#define VELLIX_PO_CHARSET_H

#include "finding.h"

#include <string>
#include <string_view>

namespace vellix {

struct PoInUtf8 {
    std::string charset;  // the charset the file was converted from; "" when it is read as it is
    std::string text;     // the converted bytes, when `charset` is not ""
    bool failed = false;  // an unknown charset, or bytes outside it: `problem` says which, and where
    Finding problem;

    // What to read: the converted text, or `raw` (the file's bytes) when no conversion was needed.
    std::string_view readable(std::string_view raw) const { return charset.empty() ? raw : std::string_view(text); }
};

PoInUtf8 po_in_utf8(std::string_view po);

// Whether `start`, the first bytes of a PO file, holds the whole header and the header names UTF-8
// (or ASCII): then the file is read as it is, and may be read a piece at a time.
bool po_declares_utf8(std::string_view start);

}  // namespace vellix

#endif
