// Which key a PO entry is looked up by, the one rule every command keys entries with: its msgid, or
// its msgctxt, 0x04 and its msgid; where the keys are in msgctxt (the header field
// "X-Vellix-Keys: msgctxt", or the option asking for it), its msgctxt alone, which it must then have.
#ifndef VELLIX_PO_KEYS_H
#define VELLIX_PO_KEYS_H

#include "finding.h"
#include "po_reader.h"

#include <string>
#include <string_view>

namespace vellix {

enum class PoKeys { from_header, msgid, msgctxt };

// Whether a header entry's text says the keys are in msgctxt.
bool header_keys_in_context(std::string_view header);

// Whether the keys are in msgctxt, by the option, or by the header when the option leaves it to it.
inline bool keys_in_context(PoKeys option, bool header_says) {
    return option == PoKeys::msgctxt || (option == PoKeys::from_header && header_says);
}

// The key of an entry that is not the header; false when the keys are in msgctxt and it has none.
bool po_entry_key(const PoMessage &message, bool in_context, std::string &key);

// The error of an entry that lacks the msgctxt its key is in.
Finding missing_context_error(const PoMessage &message);

}  // namespace vellix

#endif
