// The plural rules of the languages most translated into, as a new translation's header gives them.
#ifndef VELLIX_PLURAL_TABLE_H
#define VELLIX_PLURAL_TABLE_H

#include <string>
#include <string_view>

namespace vellix {

// The most plural forms a PO header may give: no language has more than six, and each form of an
// entry is an entry of the catalog, so a rule with thousands would multiply a file's size.
constexpr unsigned long max_plural_forms = 100;

// The error for a Plural-Forms field with more forms than that.
std::string too_many_forms(unsigned long count);

// The Plural-Forms value for a locale "LL" or "LL_CC" (its country may pick a rule of its own, as
// pt_BR does), or null for a language the table lacks.
const char *plural_forms_for(std::string_view locale);

}  // namespace vellix

#endif
