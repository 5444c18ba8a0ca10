// What the PO tests ask of a PO text, read with the tools' own reader.
#ifndef VELLIX_PO_TEST_SUPPORT_H
#define VELLIX_PO_TEST_SUPPORT_H

#include "po_file.h"

#include <string>

namespace vellix_test {

// The text of the PO text's header entry, "" without one.
inline std::string po_header_text(const std::string &po) {
    struct Ignored : vellix::FindingSink {
        void finding(const vellix::Finding &) override {}
    } ignored;
    vellix::PoFile file;
    vellix::read_po_file(po.data(), po.size(), file, ignored);
    return file.header_text();
}

}  // namespace vellix_test

#endif
