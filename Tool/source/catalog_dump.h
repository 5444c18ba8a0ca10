// A compiled catalog's entries written back out: as source lines that vellmake compiles into the
// same entries, or as a listing of one line per entry.
#ifndef VELLIX_CATALOG_DUMP_H
#define VELLIX_CATALOG_DUMP_H

#include <cstdint>
#include <string>
#include <string_view>

namespace vellix {

// Why the source format cannot express the entry; empty when it can.
std::string inexpressible_because(std::string_view key, std::string_view value);

// The key line and the value line of an expressible entry, each ending in LF.
std::string source_lines(std::string_view key, std::string_view value);

// "INDEX<TAB>KEY LENGTH<TAB>VALUE LENGTH<TAB>KEY<TAB>VALUE" and LF, with every byte outside
// printable ASCII shown as \xHH.
std::string listing_line(std::uint64_t index, std::string_view key, std::string_view value);

}  // namespace vellix

#endif
