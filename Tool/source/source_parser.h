// The catalog source format: lines end at LF, a CR cuts a line's content, the first NUL ends the
// source. A line starting with '-' names a key, '#' starts a comment, an empty line is blank, and
// any other line is value text appended to the pending value without a separator.
#ifndef VELLIX_SOURCE_PARSER_H
#define VELLIX_SOURCE_PARSER_H

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace vellix {

enum class LineKind { blank, comment, key, value };

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
    // Every line as it is classified: its content, and what a carriage return cut off it (from
    // the CR up to the line feed or the end; empty when the line holds no CR).
    virtual void line(std::uint64_t /*number*/, LineKind /*kind*/, std::string_view /*content*/,
                      std::string_view /*cut*/) {}
    // The first NUL byte, which ends the source: its line, and how many bytes after it are ignored.
    virtual void nul_byte(std::uint64_t /*line*/, std::size_t /*ignored_bytes*/) {}
};

// Parses `size` bytes (they need no terminator). Returns false when the sink stopped it.
bool parse_source(const char *bytes, std::size_t size, SourceSink &sink);

// Whether the bytes begin with the UTF-8 byte-order mark EF BB BF.
bool starts_with_byte_order_mark(const char *bytes, std::size_t size);

}  // namespace vellix

#endif
