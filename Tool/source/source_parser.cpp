#include "source_parser.h"

#include <cstring>
#include <string>

namespace vellix {
namespace {

// The state between lines: the pending key and the value collected for it.
class PendingEntry {
public:
    explicit PendingEntry(SourceSink &sink) : sink_(sink) {}

    // Hands the pending entry to the sink, if a value is pending. False when the sink says stop.
    bool finish() {
        if (has_key_ && !has_value_) sink_.dropped_key(key_, key_line_);
        if (has_key_ && has_value_ && !sink_.entry(key_, value(), key_line_)) return false;
        // Text before the first key line has no key to go with; it was reported when seen.
        has_value_ = false;
        joined_ = false;
        return true;
    }

    bool start_key(std::string_view key, std::uint64_t line) {
        if (!finish()) return false;
        has_key_ = true;
        key_ = key;
        key_line_ = line;
        return true;
    }

    void add_value_line(std::string_view text, std::uint64_t line) {
        if (!has_key_ && !keyless_reported_) {
            sink_.keyless_text(line);
            keyless_reported_ = true;
        }
        if (!has_value_) {
            first_line_ = text;
            has_value_ = true;
            return;
        }
        if (!joined_) value_.assign(first_line_);
        joined_ = true;
        value_.append(text);
    }

private:
    // Most values are one line: those are passed on from the source bytes without a copy.
    std::string_view value() const { return joined_ ? std::string_view(value_) : first_line_; }

    SourceSink &sink_;
    bool has_key_ = false;
    bool has_value_ = false;
    bool keyless_reported_ = false;
    std::string_view key_;
    std::uint64_t key_line_ = 0;
    std::string_view first_line_;
    bool joined_ = false;  // whether the value spans lines and is collected in value_
    std::string value_;
};

const char *find_byte(const char *from, const char *to, char byte) {
    const void *found = std::memchr(from, byte, static_cast<std::size_t>(to - from));
    return found ? static_cast<const char *>(found) : to;
}

}  // namespace

bool parse_source(const char *bytes, std::size_t size, SourceSink &sink) {
    // Nothing after the first NUL is part of the source.
    const char *const end = bytes ? find_byte(bytes, bytes + size, '\0') : bytes;
    PendingEntry pending{sink};
    std::uint64_t line_number = 1;
    for (const char *line = bytes; line != end; ++line_number) {
        const char *const line_end = find_byte(line, end, '\n');
        const char *const content_end = find_byte(line, line_end, '\r');
        const std::string_view content(line, static_cast<std::size_t>(content_end - line));
        const LineKind kind = content.empty()         ? LineKind::blank
                              : content.front() == '-' ? LineKind::key
                              : content.front() == '#' ? LineKind::comment
                                                       : LineKind::value;
        sink.line(line_number, kind, content, std::string_view(content_end, static_cast<std::size_t>(line_end - content_end)));
        if (kind == LineKind::key) {
            if (!pending.start_key(content.substr(1), line_number)) return false;
        } else if (kind == LineKind::value) {
            pending.add_value_line(content, line_number);
        }
        if (line_end == end) break;
        line = line_end + 1;
    }
    if (bytes && end != bytes + size) sink.nul_byte(line_number, static_cast<std::size_t>(bytes + size - end - 1));
    return pending.finish();
}

bool starts_with_byte_order_mark(const char *bytes, std::size_t size) {
    return size >= 3 && std::memcmp(bytes, "\xEF\xBB\xBF", 3) == 0;
}

}  // namespace vellix
