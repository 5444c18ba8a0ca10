#include "po_keys.h"

#include "header_fields.h"

namespace vellix {

bool header_keys_in_context(std::string_view header) {
    return same_name(header_field(header, "X-Vellix-Keys"), "msgctxt");
}

bool po_entry_key(const PoMessage &message, bool in_context, std::string &key) {
    if (in_context) {
        if (!message.has_context) return false;
        key = message.context;
        return true;
    }
    if (message.has_context) {
        key.assign(message.context).append(1, '\x04').append(message.id);
    } else {
        key = message.id;
    }
    return true;
}

Finding missing_context_error(const PoMessage &message) {
    return error_at(message.line, "the entry has no msgctxt, which holds the keys in this file (X-Vellix-Keys: msgctxt)");
}

}  // namespace vellix
