// The plural rules of the languages most translated into, as a new translation's header gives them.
#ifndef VELLIX_PLURAL_TABLE_H
#define VELLIX_PLURAL_TABLE_H

#include <string_view>

namespace vellix {

// The Plural-Forms value for a locale "LL" or "LL_CC" (its country may pick a rule of its own, as
// pt_BR does), or null for a language the table lacks.
const char *plural_forms_for(std::string_view locale);

}  // namespace vellix

#endif
