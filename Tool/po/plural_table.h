// The plural rules a new translation's header gives its language: GNU msginit's own table where it
// has the language (existing translations depend on its expressions and order of forms), else the
// rule made from the Unicode CLDR's cardinal plural rules (scripts/cldr_plural_rules.py).
#ifndef VELLIX_PLURAL_TABLE_H
#define VELLIX_PLURAL_TABLE_H

#include <cstddef>
#include <string>
#include <string_view>

namespace vellix {

// The most plural forms a PO header may give: no language has more than six, and each form of an
// entry is an entry of the catalog, so a rule with thousands would multiply a file's size.
constexpr unsigned long max_plural_forms = 100;

// The error for a Plural-Forms field with more forms than that.
std::string too_many_forms(unsigned long count);

// One locale code of CLDR's cardinal plural rules: its Plural-Forms over the integer n, the CLDR
// categories its forms stand for ("one few many"), and CLDR's rules as CLDR writes them.
struct CldrPluralRule {
    const char *locale;
    const char *plural_forms;
    const char *categories;
    const char *cldr_rules;
};

// Every locale code of the CLDR table, and the CLDR version it was made from ("41").
const CldrPluralRule *cldr_plural_rules(std::size_t &count);
const char *cldr_version();

// A locale's known rule: its Plural-Forms value and, where it is CLDR's, the categories of its
// forms (null for msginit's rules).
struct KnownPluralRule {
    const char *plural_forms = nullptr;
    const char *categories = nullptr;
};

// The rule for a locale "LL", "LL_CC" or "LL_CC.UTF-8@modifier": msginit's answer for the code
// when it gives one, else CLDR's for the code, else CLDR's for its language. No rule: null fields.
KnownPluralRule known_plural_rule(std::string_view locale);

// CLDR's rule for a locale code, else for its language; null when CLDR has neither.
const CldrPluralRule *cldr_plural_rule_for(std::string_view locale);

// The Plural-Forms value of known_plural_rule, or null for a language without a rule.
const char *plural_forms_for(std::string_view locale);

}  // namespace vellix

#endif
