// A whole PO file in memory, as init and merge read and write it: the header entry, the entries in
// order and the obsolete ones.
#ifndef VELLIX_PO_FILE_H
#define VELLIX_PO_FILE_H

#include "command_support.h"
#include "po_reader.h"

#include <string>
#include <string_view>
#include <vector>

namespace vellix {

struct PoFile {
    bool has_header = false;
    PoMessage header;
    std::vector<PoMessage> entries;
    std::vector<PoMessage> obsolete;
};

// Reads a PO file whole; false, with its syntax errors printed as FILE:LINE: error: TEXT, when it
// cannot be read or has errors.
bool read_po_file(const Messages &messages, const std::string &path, PoFile &file);

// The file as PO text: the header, the entries, then the obsolete entries.
std::string po_file_text(const PoFile &file);

// The key an entry is looked up by: its msgctxt where the keys are in msgctxt (the header's
// X-Vellix-Keys), else msgid, or msgctxt, 0x04 and msgid.
std::string entry_key(const PoMessage &message, bool keys_in_context);

// Whether the header says that the keys are in msgctxt.
bool keys_in_context(const PoFile &file);

// Writes `text` to `path` whole or not at all; false when it cannot.
bool write_text_file(const std::string &path, const std::string &text);

}  // namespace vellix

#endif
