// What `vellix check` finds in a catalog source: text the source format loses without a word,
// and, against a reference source, keys and printf arguments that differ.
#ifndef VELLIX_SOURCE_CHECK_H
#define VELLIX_SOURCE_CHECK_H

#include <cstddef>
#include <cstdint>
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
};

struct SourceCheck {
    std::vector<Finding> findings;
    std::vector<std::string> keys;  // each key once, in the order of its first definition
    std::unordered_map<std::string, Definition> first_definitions;
};

// Parses the source's bytes and records every finding, in line order.
SourceCheck check_source(const char *bytes, std::size_t size);

// Adds the findings of comparing `source` with `reference`: keys missing or extra, and values whose
// printf arguments differ from the reference's value for the same key (first definitions).
void check_against(SourceCheck &source, const SourceCheck &reference);

// A key as messages show it, between single quotes.
std::string quoted(std::string_view key);

}  // namespace vellix

#endif
