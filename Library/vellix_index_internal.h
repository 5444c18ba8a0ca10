// The index's functions for the library itself, beyond the public ones: how much of its handle it
// covers, the plural rule it parsed, and how evenly its keys spread. Defined with the index.
#ifndef VELLIX_INDEX_INTERNAL_H
#define VELLIX_INDEX_INTERNAL_H

#include "vellix_index.h"

#include <cstddef>

namespace vellix {

class PluralRule;

// How many of its handle's entries an index covers (entries appended later are not in it).
std::size_t indexed_entries(const vellix_index *index);

// The plural rule the index parsed, when the header it parsed is `header` (the very pointer: the
// handle's header entry now); null when the handle's header has changed since, or differs.
const PluralRule *plural_rule_of(const vellix_index *index, const char *header);

// The most slots a lookup of a key in the index steps through: how evenly the keys spread, which
// keys made to collide would spoil.
std::size_t longest_probe(const vellix_index *index);

}  // namespace vellix

#endif
