#include "header_fields.h"

#include <algorithm>
#include <cctype>

namespace vellix {
namespace {

// Hands each line of the header to `visit` until it returns true; gives whether one did.
template <class Visit>
bool each_line(std::string_view header, Visit visit) {
    while (!header.empty()) {
        const std::size_t line_end = header.find('\n');
        if (visit(header.substr(0, line_end))) return true;
        if (line_end == std::string_view::npos) break;
        header.remove_prefix(line_end + 1);
    }
    return false;
}

// Whether the line is the field `name`; `value` is then what follows its colon.
bool is_field(std::string_view line, std::string_view name, std::string_view &value) {
    const std::size_t colon = line.find(':');
    if (colon == std::string_view::npos || !same_name(line.substr(0, colon), name)) return false;
    value = line.substr(colon + 1);
    return true;
}

}  // namespace

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front()))) text.remove_prefix(1);
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) text.remove_suffix(1);
    return text;
}

bool same_name(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

std::string header_field(std::string_view header, std::string_view name) {
    std::string_view value;
    each_line(header, [&](std::string_view line) { return is_field(line, name, value); });
    return std::string(trimmed(value));
}

std::string with_header_field(std::string_view header, std::string_view name, const std::string &value) {
    std::string result;
    bool replaced = false;
    each_line(header, [&](std::string_view line) {
        std::string_view old_value;
        if (!replaced && is_field(line, name, old_value)) {
            result.append(name).append(": ").append(value).append("\n");
            replaced = true;
        } else if (!line.empty()) {
            result.append(line).append("\n");
        }
        return false;
    });
    if (!replaced) result.append(name).append(": ").append(value).append("\n");
    return result;
}

std::string charset_of(std::string_view content_type) {
    std::string lower(content_type);
    for (char &c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    const std::size_t at = lower.find("charset=");
    if (at == std::string::npos) return "";
    std::size_t end = at + 8;
    while (end < content_type.size() && content_type[end] != ';' && content_type[end] != ' ') ++end;
    return std::string(content_type.substr(at + 8, end - at - 8));
}

}  // namespace vellix
