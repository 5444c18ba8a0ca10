// A whole PO file in memory, as init and merge read and write it: the header entry, the entries in
// order and the obsolete ones.
#ifndef VELLIX_PO_FILE_H
#define VELLIX_PO_FILE_H

#include "finding.h"
#include "po_reader.h"
#include "text_store.h"

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

namespace vellix {

struct PoFile {
    bool has_header = false;
    PoMessage header;
    std::vector<PoMessage> entries;
    std::vector<PoMessage> obsolete;
    std::string charset;  // the charset it was converted from to be read as UTF-8; "" for UTF-8

    // The header entry's text, "" without one.
    std::string header_text() const;
    // Whether the entries are keyed by msgctxt (po_keys.h), as the header says.
    bool keys_in_context() const;
};

// Reads PO text whole, handing its syntax errors to `findings`; gives their number (nothing was left
// out when 0).
std::size_t read_po_file(const char *bytes, std::size_t size, PoFile &file, FindingSink &findings);

// Each of `entries` with its key (po_keys.h), in order; an entry that lacks the msgctxt its key is
// in is left out and handed to `findings` as an error, as compiling does, and counted in `errors`.
// A key is a view of the entry's msgctxt or msgid, not a copy, valid while `entries` stands
// unchanged; a key made of both (msgctxt, 0x04, msgid) is kept in `made_keys`.
using KeyedEntries = std::vector<std::pair<std::string_view, const PoMessage *>>;
KeyedEntries keyed_entries(const std::vector<PoMessage> &entries, bool in_context, FindingSink &findings, std::size_t &errors,
                           TextStore &made_keys);

// The file as PO text: the header, the entries, then the obsolete entries.
std::string po_file_text(const PoFile &file);

}  // namespace vellix

#endif
