// vellix_getf and vellix_ngetf: a translation handed to printf only when it reads the arguments the
// program's own text reads, so that no catalog, however made or damaged, can make printf read an
// argument that is not there or read one as another type.
#include "vellix.h"

#include "printf_format.h"

#include <exception>

namespace {

// Whether printf may print `translation` with the arguments `original` takes: a valid format (no
// stray '%', no positions mixed with plain conversions, no gap among the positions) without %n,
// reading no argument beyond `original`'s, each as the type `original` reads it as.
bool reads_what_original_reads(const char *translation, const char *original) {
    const vellix::PrintfFormat given = vellix::read_printf_format(translation);
    if (!given.invalid_because.empty() || given.before_first_fault != given.conversions.size()) return false;
    for (const std::string &conversion : given.conversions) {
        if (conversion.back() == 'n') return false;  // writes through a pointer argument
    }
    const vellix::PrintfFormat wanted = vellix::read_printf_format(original);
    if (given.argument_types.size() > wanted.argument_types.size()) return false;
    for (std::size_t i = 0; i < given.argument_types.size(); ++i) {
        const std::string &type = given.argument_types[i];
        if (type == "conflicting" || (type != "unused" && type != wanted.argument_types[i])) return false;
    }
    return true;
}

// `text` when it may stand for `original` in printf, else `original`; `original` as well when
// memory runs out while judging.
const char *safe_or_original(const char *text, const char *original) {
    if (!text || !original || text == original) return text;
    try {
        return reads_what_original_reads(text, original) ? text : original;
    } catch (const std::exception &) {
        return original;
    }
}

}  // namespace

const char *vellix_getf(const i18n *i18n, const char *key, const char *fallback) {
    return safe_or_original(vellix_get(i18n, key, fallback), fallback);
}

const char *vellix_ngetf(const i18n *i18n, const char *key, unsigned long n, const char *singular, const char *plural) {
    const char *text = vellix_nget(i18n, key, n, singular, plural);
    if (text == singular || text == plural) return text;
    // Every form is judged by the plural text's arguments: a form for one may leave the number out.
    return safe_or_original(text, plural) == text ? text : n == 1 ? singular : plural;
}
