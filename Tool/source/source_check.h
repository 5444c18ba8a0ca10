// What `vellix check` finds in a catalog source: text the source format loses without a word,
// and, against a reference source, keys and printf arguments that differ.
#ifndef VELLIX_SOURCE_CHECK_H
#define VELLIX_SOURCE_CHECK_H

#include "finding.h"
#include "seeded_hash.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace vellix {

struct Definition {
    std::uint64_t line = 0;
    std::string value;
    bool no_c_format = false;  // a "#, no-c-format" comment stood just before its key line
};

// The keys of a source and the first definition of each: what lookups find, and what a
// translation is compared with.
struct SourceKeys {
    std::vector<std::string> keys;  // each key once, in the order of its first definition
    std::unordered_map<std::string, Definition, SeededHash> first_definitions;
};

// Parses the source's bytes and hands every finding (all warnings) to `sink` as soon as it is
// certain, in line order, those about the file as a whole (line 0) last; with a `reference`, also the keys missing or
// extra and the values whose printf arguments differ from the reference's value for the same key
// (first definitions both). Findings are held only until no earlier line can get one, so memory
// does not grow with their number. Gives the source's keys.
SourceKeys check_source(const char *bytes, std::size_t size, const SourceKeys *reference, FindingSink &sink);

// The findings of a key that the reference has and a file lacks, and of one the file has at `line`
// and the reference lacks: the same for sources and PO files.
Finding missing_key_finding(const std::string &key, const SourceKeys &reference);
Finding extra_key_finding(const std::string &key, std::uint64_t line);

// The same, with the findings collected.
struct SourceCheck : SourceKeys {
    std::vector<Finding> findings;
};
SourceCheck check_source(const char *bytes, std::size_t size, const SourceKeys *reference = nullptr);

}  // namespace vellix

#endif
