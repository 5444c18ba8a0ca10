// The fields of a catalog's header entry (the text under the empty key, as gettext writes it):
// "Name: value" lines, such as Content-Type, Language, Plural-Forms and X-Vellix-Keys.
#ifndef VELLIX_HEADER_FIELDS_H
#define VELLIX_HEADER_FIELDS_H

#include <string>
#include <string_view>

namespace vellix {

// The text without the white space around it, as field values are read.
std::string_view trimmed(std::string_view text);

// Whether two names are the same but for the case of ASCII letters, as field names are matched.
bool same_name(std::string_view a, std::string_view b);

// The value of a header field ("Plural-Forms", "Content-Type", ...) in a header entry's text, or ""
// when it has none; the name is matched without regard to case, the value trimmed.
std::string header_field(std::string_view header, std::string_view name);

// The header's text with the field `name` set to `value`: replaced where it stands (matched as
// header_field matches it), else added at the end; empty lines dropped.
std::string with_header_field(std::string_view header, std::string_view name, const std::string &value);

// The charset a Content-Type value names ("text/plain; charset=UTF-8" gives "UTF-8"), "" for none.
std::string charset_of(std::string_view content_type);

}  // namespace vellix

#endif
