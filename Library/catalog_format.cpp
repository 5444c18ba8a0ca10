#include "catalog_format.h"

#include <limits>

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
    if (digits.empty() || digits.front() == '0') return false;
    form = 0;
    for (const char c : digits) {
        if (c < '0' || c > '9') return false;
        const unsigned long digit = static_cast<unsigned long>(c - '0');
        if (form > (std::numeric_limits<unsigned long>::max() - digit) / 10) return false;
        form = form * 10 + digit;
    }
    base = key.substr(0, mark);
    return true;
}

}  // namespace vellix
