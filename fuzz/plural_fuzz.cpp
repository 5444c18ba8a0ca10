// Feeds arbitrary bytes to the plural rule parser and evaluator: the first eight bytes are a number,
// the rest a Plural-Forms value. A rule must give a form inside its count for that number and for
// numbers at the edges, the same every time, and the same when its expression is put in
// parentheses; a rule that does not parse gives form 0.
#include "plural_rule.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    std::uint64_t number = 0;
    const std::size_t taken = size < 8 ? size : 8;
    std::memcpy(&number, data, taken);
    const std::string_view text(reinterpret_cast<const char *>(data) + taken, size - taken);
    vellix::PluralRule rule;
    std::string problem;
    const bool parsed = rule.parse(text, problem);
    if (!parsed && problem.empty()) std::abort();
    for (const unsigned long n : {static_cast<unsigned long>(number), 0ul, 1ul, 2ul, 11ul, 100ul, 1000001ul,
                                  static_cast<unsigned long>(-1), static_cast<unsigned long>(-1) / 2}) {
        const unsigned long form = rule.form(n);
        if (form != rule.form(n)) std::abort();
        if (form != 0 && (!parsed || form >= rule.plural_count())) std::abort();
    }
    // "plural=EXPR;" read again as "plural=(EXPR);" must pick the same forms.
    const std::size_t start = text.find("plural=");
    const std::size_t end = start == std::string_view::npos ? start : text.find(';', start);
    if (!parsed || end == std::string_view::npos) return 0;
    const std::string wrapped = std::string(text.substr(0, start + 7)) + "(" + std::string(text.substr(start + 7, end - start - 7)) +
                                ")" + std::string(text.substr(end));
    vellix::PluralRule again;
    if (!again.parse(wrapped, problem)) return 0;  // one more nesting level may pass a limit
    for (const unsigned long n : {static_cast<unsigned long>(number), 0ul, 1ul, 2ul, 5ul, 22ul, 111ul}) {
        if (again.form(n) != rule.form(n)) std::abort();
    }
    return 0;
}
