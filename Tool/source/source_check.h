// What `vellix check` finds in a catalog source: text the source format loses without a word,
// and, against a reference source, keys and printf arguments that differ.
#ifndef VELLIX_SOURCE_CHECK_H
#define VELLIX_SOURCE_CHECK_H

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace vellix {

struct Finding {
    std::uint64_t line = 0;  // 0: the file as a whole
    std::string text;
    bool serious = false;  // fails the check even when warnings alone do not
    // An optional second line, "note: ...", in this file or in the reference.
    std::string note;
    std::uint64_t note_line = 0;
    bool note_in_reference = false;
};

struct Definition {
    std::uint64_t line = 0;
    std::string value;
    bool no_c_format = false;  // a "#, no-c-format" comment stood just before its key line
};

// The keys of a source and the first definition of each: what lookups find, and what a
// translation is compared with.
struct SourceKeys {
    std::vector<std::string> keys;  // each key once, in the order of its first definition
    std::unordered_map<std::string, Definition> first_definitions;
};

// Receives each finding of a check as soon as it is certain, in line order; findings about the file
// as a whole (line 0) come last.
using FindingReport = std::function<void(const Finding &)>;

// Parses the source's bytes and reports every finding; with a `reference`, also the keys missing or
// extra and the values whose printf arguments differ from the reference's value for the same key
// (first definitions both). Findings are held only until no earlier line can get one, so memory
// does not grow with their number. Gives the source's keys.
SourceKeys check_source(const char *bytes, std::size_t size, const SourceKeys *reference, const FindingReport &report);

// The same, with the findings collected.
struct SourceCheck : SourceKeys {
    std::vector<Finding> findings;
};
SourceCheck check_source(const char *bytes, std::size_t size, const SourceKeys *reference = nullptr);

// A key as messages show it, between single quotes.
std::string quoted(std::string_view key);

}  // namespace vellix

#endif
