// C and C++ code read as xgettext reads it, without preprocessing: the calls of given functions or
// macros, each argument either a string literal (adjacent literals joined, escapes decoded, raw
// strings, the u8/u/U/L prefixes and C++ literal suffixes understood) or something else; comments
// and character literals are never taken for calls or strings, and line splices are undone. Time
// and memory are linear in the code's size, however deeply calls nest or however long a raw
// string's delimiter.
#ifndef VELLIX_CODE_SCANNER_H
#define VELLIX_CODE_SCANNER_H

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace vellix {

struct CallArgument {
    bool is_literal = false;  // one or more string literals and nothing else
    std::string_view text;    // the literal's bytes (UTF-8 for \u and \U escapes), valid as long as the call is
    std::uint64_t line = 0;   // where the argument starts
    bool escape_too_large = false;  // an octal or hex escape above 0xFF in a narrow literal, left out of `text`
    // The argument is one of the parameters of the function-like macro whose #define holds the call
    // (`#define T(k, t) vellix_get(cat, k, t)`): the macro is the wrapper, and its own calls carry
    // the literals.
    bool is_macro_parameter = false;
};

struct FoundCall {
    std::string name;  // with a '.' before it when called as a member (obj.tr( or obj->tr()
    std::uint64_t line = 0;  // of the name
    std::vector<CallArgument> arguments;
    std::string comment;  // the comment just before the call, when it starts with the tag asked for
};

// Hands each call of a name for which `wanted` says true to `found` (asked with a '.' before the
// name for a member call, so that ".tr" names obj.tr( and obj->tr( but not a free tr()), in the
// order of the calls' names in the code; a call inside another's arguments comes after it. With an empty
// `comment_tag`, no comments are kept. A call, and the texts of its arguments, are valid until
// `found` returns: a caller that keeps them copies them.
void scan_calls(std::string_view code, const std::function<bool(std::string_view name)> &wanted,
                std::string_view comment_tag, const std::function<void(const FoundCall &)> &found);

// scan_calls for many files: the buffers of one scan (the calls handed on among them) are kept for
// the next, so that a program that reads a tree of files allocates for its largest file rather than
// for each file or call. One scan at a time.
class CallScanner {
public:
    CallScanner();
    ~CallScanner();
    CallScanner(const CallScanner &) = delete;
    CallScanner &operator=(const CallScanner &) = delete;
    void scan(std::string_view code, const std::function<bool(std::string_view name)> &wanted, std::string_view comment_tag,
              const std::function<void(const FoundCall &)> &found);

private:
    struct Buffers;
    std::unique_ptr<Buffers> buffers_;
};

}  // namespace vellix

#endif
