// A PO file's Plural-Forms held against its language's known rule: the first number for which the
// two pick different forms, and the forms no number reaches, so that "5 plik" is found before a
// user reads it.
#ifndef VELLIX_PLURAL_RULE_CHECK_H
#define VELLIX_PLURAL_RULE_CHECK_H

#include "plural_rule.h"

#include <string>
#include <string_view>
#include <vector>

namespace vellix {

// The numbers the checks try: 0 to 10,000 and a few large ones (millions, billions), all within a
// 32-bit unsigned long.
const std::vector<unsigned long> &plural_check_numbers();

// The language a PO file's name gives ("po/pt_BR.po" gives "pt_BR"), or "" when the name is no
// locale code (LL, LLL, LL_CC, with an optional @modifier).
std::string language_of_po_name(std::string_view path);

// The language of a PO file: its header's Language, else what its name gives; "" for neither.
std::string po_language(const std::string &header, std::string_view path);

// Why `file_rule` is not `language`'s known rule `known` ("" when the two pick the same form for every
// number tried): the first such n, both forms and the rule to use. `whose` names the rule's file.
std::string differs_from_known_rule(const PluralRule &file_rule, const std::string &language, const char *known,
                                    const std::string &whose = "the header's");

// The CLDR categories of each of `rule`'s forms ({"one", "few", "many"}; "many/other" for a form
// that takes two) when every CLDR category of `language` falls to one form; empty otherwise (the
// rule is not the language's, or CLDR does not know it). A form no number reaches has "".
std::vector<std::string> cldr_categories_of(const PluralRule &rule, const std::string &language);

// The forms of `rule` that no number tried reaches, each with why that matters.
std::vector<std::string> unreached_forms(const PluralRule &rule);

}  // namespace vellix

#endif
