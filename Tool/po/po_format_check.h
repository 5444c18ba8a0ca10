// The printf check of a PO entry: in a c-format entry every translation must take the arguments of
// its original, as `msgfmt --check` demands; a plural form that serves only a few numbers (the
// singular, in most languages) may leave the number out.
#ifndef VELLIX_PO_FORMAT_CHECK_H
#define VELLIX_PO_FORMAT_CHECK_H

#include "plural_rule.h"
#include "finding.h"
#include "po_reader.h"

#include <vector>

namespace vellix {

// For each form of the rule, whether it serves at most 4 of the numbers 0 to 1000, so that its
// translations may leave arguments out (msgfmt's measure).
std::vector<bool> forms_serving_few_numbers(const PluralRule &rule);

// The findings of the entry's printf check: errors for a c-format entry, warnings for an unflagged
// one whose msgid reads as a format; none for no-c-format.
std::vector<Finding> check_printf(const PoMessage &message, const std::vector<bool> &few_numbers);

}  // namespace vellix

#endif
