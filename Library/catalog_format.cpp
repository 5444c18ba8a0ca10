#include "catalog_format.h"

#include "decimal_number.h"

namespace vellix {

std::string plural_form_key(std::string_view key, unsigned long form) {
    std::string form_key(key);
    form_key += "\n#";
    form_key += std::to_string(form);
    return form_key;
}

bool split_plural_form_key(std::string_view key, std::string_view &base, unsigned long &form) {
    const std::size_t mark = key.rfind("\n#");
    if (mark == std::string_view::npos) return false;
    const std::string_view digits = key.substr(mark + 2);
    std::size_t at = 0;
    if (digits.empty() || digits.front() == '0' || !read_decimal(digits, at, form) || at != digits.size()) return false;
    base = key.substr(0, mark);
    return true;
}

}  // namespace vellix
