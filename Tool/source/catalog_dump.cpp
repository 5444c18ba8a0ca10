#include "catalog_dump.h"

#include "text_escape.h"

namespace vellix {
namespace {

// A line of a source ends at LF, is cut at CR, and the first NUL ends the whole source.
const char *line_breaking_byte(std::string_view text) {
    if (text.find('\n') != std::string_view::npos) return "a line feed";
    if (text.find('\r') != std::string_view::npos) return "a carriage return";
    if (text.find('\0') != std::string_view::npos) return "a NUL byte";
    return nullptr;
}

}  // namespace

std::string inexpressible_because(std::string_view key, std::string_view value) {
    if (const char *byte = line_breaking_byte(key)) return std::string("its key holds ") + byte;
    if (value.empty()) return "its value is empty, and a key without a value line is dropped";
    if (value.front() == '-') return "its value starts with '-', which would make a key line";
    if (value.front() == '#') return "its value starts with '#', which would make a comment";
    if (const char *byte = line_breaking_byte(value)) return std::string("its value holds ") + byte;
    return "";
}

std::string source_lines(std::string_view key, std::string_view value) {
    std::string lines;
    lines.reserve(key.size() + value.size() + 3);
    lines.append("-").append(key).append("\n").append(value).append("\n");
    return lines;
}

std::string listing_line(std::uint64_t index, std::string_view key, std::string_view value) {
    return std::to_string(index) + '\t' + std::to_string(key.size()) + '\t' + std::to_string(value.size()) + '\t' +
           escape_bytes(key, true) + '\t' + escape_bytes(value, true) + '\n';
}

}  // namespace vellix
