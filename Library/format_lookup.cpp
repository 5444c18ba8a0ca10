// vellix_getf and vellix_ngetf: a translation handed to printf only when it reads the arguments the
// program's own text reads, so that no catalog, however made or damaged, can make printf read an
// argument that is not there or read one as another type.
#include "vellix.h"

#include "printf_conversion.h"

#include <exception>

namespace {

// Widths and precisions a translation may write beyond its original's: enough for any column, too
// few for a catalog to make printf write a gigabyte of padding.
constexpr int largest_own_number = 512;

// Whether printf may print `translation` with the arguments `original` takes: a valid format (no
// stray '%', no positions mixed with plain conversions, no gap among the positions) without %n,
// reading no argument beyond `original`'s, each as the type `original` reads it as, and no width
// or precision beyond 512 or the original's largest. Reads both without allocating for up to a
// dozen arguments.
bool reads_what_original_reads(const char *translation, const char *original) {
    const vellix::PrintfOptions options;
    vellix::PrintfScan given;
    vellix::scan_printf_format(translation, options, given);
    if (!given.valid() || given.writes_through_pointer) return false;
    if (given.arguments.count() == 0 && given.largest_number <= largest_own_number) return true;
    vellix::PrintfScan wanted;
    vellix::scan_printf_format(original, options, wanted);
    if (given.largest_number > largest_own_number && given.largest_number > wanted.largest_number) return false;
    if (given.arguments.count() > wanted.arguments.count()) return false;
    for (std::size_t position = 1; position <= given.arguments.count(); ++position) {
        const vellix::ArgumentType type = given.arguments[position];
        if (type == vellix::ArgumentType::conflicting ||
            (type != vellix::ArgumentType::unused && type != wanted.arguments[position])) {
            return false;
        }
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
