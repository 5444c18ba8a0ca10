// What the PO tests ask of a PO text, read with the tools' own reader.
#ifndef VELLIX_PO_TEST_SUPPORT_H
#define VELLIX_PO_TEST_SUPPORT_H

#include "po_catalog.h"
#include "po_file.h"

#include <string>
#include <string_view>
#include <vector>

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

// The entries and the findings of a file read as a catalog, one line each.
struct CatalogRecorder : vellix::PoCatalogSink {
    std::vector<std::string> seen;
    void entry(std::string_view key, std::string_view value, std::uint64_t) override {
        std::string shown(key);
        for (char &c : shown) c = c == '\x04' ? '|' : c;
        seen.push_back(shown + "=" + std::string(value));
    }
    void finding(const vellix::Finding &finding) override {
        seen.push_back(std::to_string(finding.line) + (finding.is_error() ? ": error: " : ": warning: ") + finding.text);
    }
};

// Catalog options in a few words.
inline vellix::PoOptions with(bool use_fuzzy, vellix::PoKeys keys = vellix::PoKeys::from_header, bool keep_charset = false) {
    vellix::PoOptions options;
    options.use_fuzzy = use_fuzzy;
    options.keys = keys;
    options.keep_charset = keep_charset;
    return options;
}

}  // namespace vellix_test

#endif
