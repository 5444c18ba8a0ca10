// Writing PO text: fields quoted and escaped, wrapped the way gettext's tools wrap them, so that a
// file vellix writes reads like one a translator's editor writes.
#ifndef VELLIX_PO_WRITER_H
#define VELLIX_PO_WRITER_H

#include "po_reader.h"

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace vellix {

// One field, ending in LF: `KEYWORD "TEXT"` when that fits in 79 columns (or cannot break before
// it) and holds no line feed before its end; otherwise `KEYWORD ""` and then the text in quoted
// lines, each broken after a line feed and, when longer than 79 columns, at the last place that
// fits where gettext's tools may break a line, never inside a printf conversion of a `c_format`
// text. `indent` columns of each line are taken by a prefix the caller puts before it ("#~ " of an
// obsolete entry).
std::string po_field(std::string_view keyword, std::string_view text, std::size_t indent = 0, bool c_format = false);
// The same appended to `out`: a file written field by field into one buffer allocates little.
void append_po_field(std::string &out, std::string_view keyword, std::string_view text, std::size_t indent = 0,
                     bool c_format = false);

// References ("file:line") joined into the text of "#:" lines, each line as long as fits in 79
// columns, as gettext's tools wrap them.
std::vector<std::string> wrapped_references(const std::vector<std::string> &references);

// A whole entry: translator comments, extracted comments, references, flags, the previous msgid,
// then its fields; an obsolete one has its fields behind "#~ ".
std::string po_entry(const PoMessage &message, bool obsolete = false);
void append_po_entry(std::string &out, const PoMessage &message, bool obsolete = false);

// A PO file's text made entry by entry, with an empty line between entries: kept whole, or handed
// to `pieces` about every megabyte and at flush(), so that a large file is never held at once.
class PoText {
public:
    PoText() = default;
    explicit PoText(std::function<void(std::string_view piece)> pieces) : pieces_(std::move(pieces)) {}
    void add(const PoMessage &entry, bool obsolete);
    void flush();
    // The whole text, when no `pieces` were given.
    const std::string &text() const { return text_; }

private:
    std::function<void(std::string_view)> pieces_;
    std::string text_;
    bool started_ = false;
};

// The header entry of a file written by vellix: UTF-8, keys in msgctxt, and the Plural-Forms
// field when `plural_forms` is not empty.
std::string po_header(const std::string &plural_forms);

}  // namespace vellix

#endif
