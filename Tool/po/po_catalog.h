// What a PO file means as a catalog: which entries it gives under which keys, and what is wrong
// with it. Shared by `vellix compile`, `check` and `stats`, on the one PO reader.
#ifndef VELLIX_PO_CATALOG_H
#define VELLIX_PO_CATALOG_H

#include "finding.h"
#include "inttypes_macros.h"
#include "po_keys.h"
#include "po_reader.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace vellix {

struct PoOptions {
    bool use_fuzzy = false;     // compile fuzzy entries too
    PoKeys keys = PoKeys::from_header;
    bool keep_charset = false;  // copy the bytes of a file in another charset unchanged
    // The platform whose <inttypes.h> the %<PRI...> of c-format entries are expanded for.
    IntTypesTarget target = host_inttypes_target();
    // Warn where the header's Plural-Forms differs from the rule of its Language (else of
    // `file_language`, the language the file's name gives) or leaves a form unreached.
    bool check_plural_rule = false;
    std::string file_language;
};

// Receives the catalog's entries and the findings, in file order.
class PoCatalogSink : public FindingSink {
public:
    // An entry of the catalog: the header under the empty key, then each translation.
    virtual void entry(std::string_view key, std::string_view value, std::uint64_t line) = 0;
    // Every key the file defines, translated or not, with its msgid, the first time it is defined.
    virtual void key(std::string_view /*key*/, std::string_view /*id*/, std::uint64_t /*line*/) {}
    // Every entry but the header that a program would not show translated as it stands: untranslated
    // (an empty msgstr or plural form), or `fuzzy` (flagged so, with a translation).
    virtual void incomplete(std::string_view /*key*/, bool /*fuzzy*/, std::uint64_t /*line*/) {}
};

struct PoSummary {
    std::size_t translated = 0;    // entries with a translation, fuzzy ones excluded
    std::size_t fuzzy = 0;         // entries flagged fuzzy that have a translation
    std::size_t untranslated = 0;  // entries with an empty translation, or an empty plural form
    std::size_t errors = 0;
};

// Reads a PO file as a catalog, each entry under its key (po_keys.h). Untranslated
// entries and fuzzy ones (unless options.use_fuzzy) are left out. A plural entry gives form 0 under
// its key and form k under plural_form_key(key, k). Errors: syntax, a key defined twice, a charset
// other than UTF-8 or ASCII, a printf mismatch in a c-format entry, an entry without msgctxt where
// msgctxt holds the keys, a Plural-Forms field that does not parse, and a plural entry with other
// than nplurals forms.
PoSummary read_po_catalog(const char *bytes, std::size_t size, const PoOptions &options, PoCatalogSink &sink);

// The same for a PO file of about `size` bytes read in pieces (po_reader.h), whose header declares
// UTF-8 (po_declares_utf8()): the bytes are read as they are.
PoSummary read_po_catalog_pieces(const PoPieces &next, std::size_t size, const PoOptions &options, PoCatalogSink &sink);

// Whether a file name says PO: it ends in ".po" or ".pot".
bool is_po_path(std::string_view path);

}  // namespace vellix

#endif
