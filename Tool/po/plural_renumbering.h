// Mending a PO file whose plural rule changes: which old form each new form takes. New form k takes
// the old form that the old rule chose for the numbers the new rule sends to k; where those numbers
// took different old forms, or no number reaches k, the choice is a guess and the entry is marked
// fuzzy for a translator to review.
#ifndef VELLIX_PLURAL_RENUMBERING_H
#define VELLIX_PLURAL_RENUMBERING_H

#include "plural_rule.h"
#include "po_reader.h"

#include <cstddef>
#include <string>
#include <vector>

namespace vellix {

struct FormSource {
    unsigned long old_form = 0;  // the old form the new one takes (the best guess where uncertain)
    bool certain = true;
    std::string numbers;  // where uncertain, which numbers took which old forms: "n = 0, 5, 6... took msgstr[2]; ..."
};

// For each form of `new_rule`, its source among the forms of `old_rule`, over the numbers the
// plural checks try (0 to 10,000 and a few large ones).
std::vector<FormSource> form_sources(const PluralRule &old_rule, const PluralRule &new_rule);

// Gives a plural entry the new rule's forms. A translated entry that takes an uncertain form is
// marked fuzzy, with a translator comment naming the numbers; gives whether it was.
bool renumber_forms(PoMessage &entry, const std::vector<FormSource> &sources);

}  // namespace vellix

#endif
