// The PO format of GNU gettext, read from bytes in memory: entries of comments, an optional
// msgctxt, msgid, an optional msgid_plural, and msgstr or msgstr[N]; each field one or more adjacent
// quoted strings with C escapes. Obsolete entries (#~) are skipped; CR LF line ends and a leading
// UTF-8 byte-order mark are accepted, and so are lines ended by a lone CR. Reading takes time linear
// in the text's size, whatever its shape (bench/growth_bench.sh grows the hostile ones). A NUL byte
// outside a string ends it with one error; one inside a string ends that string's text, as gettext
// reads it, with a warning. A file with a UTF-16 or UTF-32 byte-order mark is one error that says so.
#ifndef VELLIX_PO_READER_H
#define VELLIX_PO_READER_H

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace vellix {

struct PoMessage {
    std::uint64_t line = 0;              // the line of its msgctxt, or else of its msgid
    std::uint64_t translation_line = 0;  // the line of its (first) msgstr
    bool has_context = false;
    std::string context;
    std::string id;
    bool has_plural = false;
    std::string plural_id;
    std::vector<std::string> translations;  // msgstr, or msgstr[0], msgstr[1], ...
    std::vector<std::string> flags;         // from "#," lines, each trimmed
    std::vector<std::string> translator_comments;
    std::vector<std::string> extracted_comments;
    std::vector<std::string> references;  // from "#:" lines, as written
    bool has_previous_id = false;         // the source text before it changed ("#| msgid"), when written
    std::string previous_id;

    bool has_flag(std::string_view flag) const;
    // The header entry: an empty msgid without a context.
    bool is_header() const { return !has_context && id.empty(); }
};

// Receives the reader's findings in file order. Line numbers count from 1.
class PoSink {
public:
    virtual ~PoSink() = default;
    // A complete, well-formed entry.
    virtual void message(const PoMessage &message) = 0;
    // The same entry, which the sink may move from (the reader clears it afterwards): a sink that
    // keeps every entry takes them without copying.
    virtual void take_message(PoMessage &message) { this->message(message); }
    // The entry's msgctxt and msgid are complete, and its msgstr begins: a chance to start work
    // that message() will need.
    virtual void identified(const PoMessage & /*message*/) {}
    // An obsolete entry ("#~" lines), which compiling ignores and merging may bring back; its
    // syntax errors go to syntax_error() as any other entry's.
    virtual void obsolete(const PoMessage & /*message*/) {}
    // A syntax error; the entry it is in is not handed on.
    virtual void syntax_error(std::uint64_t line, const std::string &text) = 0;
    // Something read as gettext reads it, but worth a word (a NUL byte that cut a string).
    virtual void warning(std::uint64_t /*line*/, const std::string & /*text*/) {}
};

// Reads `size` bytes of PO text.
void read_po(const char *bytes, std::size_t size, PoSink &sink);

// Where PO text read in pieces comes from: puts up to `room` bytes at `buffer` and gives how many,
// 0 at the end of the text.
using PoPieces = std::function<std::size_t(char *buffer, std::size_t room)>;

// The same as read_po, for text that arrives in pieces of any size (a line may span several), read
// through one buffer of a megabyte or so, so that a large file is never held whole.
void read_po_pieces(const PoPieces &next, PoSink &sink);

}  // namespace vellix

#endif
