#include "inttypes_macros.h"

#include <cstring>

namespace vellix {

IntTypesTarget host_inttypes_target() {
#ifdef _WIN32
    return IntTypesTarget::windows;
#else
    return IntTypesTarget::lp64;
#endif
}

bool inttypes_target_named(std::string_view name, IntTypesTarget &target) {
    const auto holds = [&](const char *part) { return name.find(part) != std::string_view::npos; };
    if (holds("mingw") || holds("windows") || holds("win64")) {
        target = IntTypesTarget::windows;
        return true;
    }
    if (holds("linux") || holds("lp64") || holds("bsd") || holds("darwin") || holds("macos")) {
        target = IntTypesTarget::lp64;
        return true;
    }
    return false;
}

bool inttypes_macro(std::string_view name, IntTypesTarget target, std::string &expansion) {
    if (name.size() < 5 || name.compare(0, 3, "PRI") != 0 || !std::strchr("diouxX", name[3]) || name[3] == '\0') return false;
    std::string_view size = name.substr(4);
    bool fast = false;
    if (size.compare(0, 5, "LEAST") == 0) {
        size.remove_prefix(5);
    } else if (size.compare(0, 4, "FAST") == 0) {
        size.remove_prefix(4);
        fast = true;
    }
    const bool wide_word = size == "MAX" || size == "PTR";
    if (wide_word && name.size() != 7) return false;  // no LEASTMAX, FASTPTR
    if (!wide_word && size != "8" && size != "16" && size != "32" && size != "64") return false;
    // 64 bits, the widest integer and a pointer take the long type; on LP64 systems the fast types
    // above 8 bits are long too.
    const bool is_long = wide_word || size == "64" || (fast && size != "8" && target == IntTypesTarget::lp64);
    expansion = std::string(is_long ? (target == IntTypesTarget::windows ? "ll" : "l") : "") + name[3];
    return true;
}

namespace {

// Where the next "%...<NAME>" with a macro name starts its '<', from `from` on; npos when none.
std::size_t next_macro(std::string_view text, std::size_t from, std::string_view &name) {
    for (std::size_t percent = text.find('%', from); percent != std::string_view::npos; percent = text.find('%', percent + 1)) {
        std::size_t at = percent + 1;
        while (at < text.size() && text[at] != '\0' && std::strchr("-+ #0'123456789.*$", text[at])) ++at;
        if (at >= text.size() || text[at] != '<') continue;
        const std::size_t close = text.find('>', at);
        if (close == std::string_view::npos) return std::string_view::npos;
        std::string expansion;
        name = text.substr(at + 1, close - at - 1);
        if (inttypes_macro(name, IntTypesTarget::lp64, expansion)) return at;
    }
    return std::string_view::npos;
}

}  // namespace

bool has_inttypes_macro(std::string_view text) {
    std::string_view name;
    return next_macro(text, 0, name) != std::string_view::npos;
}

std::string with_inttypes_expanded(std::string_view text, IntTypesTarget target) {
    std::string result;
    std::size_t copied = 0;
    std::string_view name;
    for (std::size_t open = next_macro(text, 0, name); open != std::string_view::npos; open = next_macro(text, copied, name)) {
        std::string expansion;
        inttypes_macro(name, target, expansion);
        result.append(text.substr(copied, open - copied)).append(expansion);
        copied = open + name.size() + 2;
    }
    return result.append(text.substr(copied));
}

}  // namespace vellix
