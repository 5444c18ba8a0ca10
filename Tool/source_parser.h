// The catalog source format: lines end at LF, a CR cuts a line's content, the first NUL ends the
// source. A line starting with '-' names a key, '#' starts a comment, an empty line is blank, and
// any other line is value text appended to the pending value without a separator.
#ifndef VELLIX_SOURCE_PARSER_H
#define VELLIX_SOURCE_PARSER_H

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace vellix {

// Receives what the parser finds, in source order. Line numbers count from 1.
class SourceSink {
public:
    virtual ~SourceSink() = default;
    // A key with the value joined from its lines. Returning false stops the parse.
    virtual bool entry(std::string_view key, std::string_view value, std::uint64_t key_line) = 0;
    // A key line with no value line before the next key line or the end of the source.
    virtual void dropped_key(std::string_view /*key*/, std::uint64_t /*key_line*/) {}
    // Value text before the first key line, which belongs to no key and is dropped; reported once,
    // with the first such line.
    virtual void keyless_text(std::uint64_t /*first_line*/) {}
};

// Parses `size` bytes (they need no terminator). Returns false when the sink stopped it.
bool parse_source(const char *bytes, std::size_t size, SourceSink &sink);

// Whether the bytes begin with the UTF-8 byte-order mark EF BB BF.
bool starts_with_byte_order_mark(const char *bytes, std::size_t size);

}  // namespace vellix

#endif
