// The <inttypes.h> macros that C programs put between the pieces of a format ("%" PRIu64 " bytes"),
// as xgettext writes them in a template (%<PRIu64> bytes) and as each platform's header spells them:
// the conversion a compiled catalog must hold for the program's lookup to find it.
#ifndef VELLIX_INTTYPES_MACROS_H
#define VELLIX_INTTYPES_MACROS_H

#include <string>
#include <string_view>

namespace vellix {

// The platforms whose headers differ: LP64 (Linux, the BSDs, macOS: 64 bits are "l") and 64-bit
// Windows with the UCRT or mingw-w64 (64 bits are "ll").
enum class IntTypesTarget { lp64, windows };

// The platform these tools were built for.
IntTypesTarget host_inttypes_target();

// A target named on a command line: "linux" or "lp64", "windows" or "mingw" (a triplet such as
// x86_64-w64-mingw32 or x86_64-linux-gnu names one too). False for any other name.
bool inttypes_target_named(std::string_view name, IntTypesTarget &target);

// Whether `name` is one of the macros (PRI, one of d i o u x X, then 8 16 32 64, LEAST or FAST and one
// of those, MAX or PTR), and if so what it expands to on `target` ("lu" for PRIu64 on LP64).
bool inttypes_macro(std::string_view name, IntTypesTarget target, std::string &expansion);

// Whether text holds a %<NAME> of such a macro.
bool has_inttypes_macro(std::string_view text);

// The text with each %<NAME> of such a macro (after any flags, width and precision) expanded.
std::string with_inttypes_expanded(std::string_view text, IntTypesTarget target);

}  // namespace vellix

#endif
