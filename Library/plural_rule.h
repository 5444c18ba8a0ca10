// Plural rules: which plural form a number takes in a language, as gettext's Plural-Forms header
// field writes it ("nplurals=3; plural=(n==1 ? 0 : ...);"). A rule is parsed once into a short
// program and evaluated in time bounded by its length; nothing about a hostile rule can crash,
// recurse without bound or loop.
#ifndef VELLIX_PLURAL_RULE_H
#define VELLIX_PLURAL_RULE_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vellix {

class PluralRule {
public:
    // gettext's rule when a catalog gives none: nplurals=2; plural=n != 1;
    PluralRule();

    // Parses the value of a Plural-Forms field. On failure gives false with the reason in `problem`
    // and leaves a rule that picks form 0 for every number.
    bool parse(std::string_view plural_forms, std::string &problem);

    // The rule of a catalog header's text: its Plural-Forms field, or the default when it has none.
    // A field that does not parse gives form 0 for every number.
    static PluralRule of_header(const char *header);

    unsigned long plural_count() const { return plural_count_; }

    // The form for `n`: 0 also when the expression divides by zero or gives a form outside
    // 0..plural_count()-1.
    unsigned long form(unsigned long n) const;

private:
    enum class Op : std::uint8_t {
        push_n, push_value, logical_not, multiply, divide, remainder, add, subtract, less, less_equal, greater,
        greater_equal, equal, not_equal, to_bool, jump_if_zero, jump
    };
    struct Instruction {
        Op op;
        unsigned long value;  // a number, or a jump's target
    };
    friend class PluralRuleParser;

    unsigned long plural_count_ = 2;
    std::vector<Instruction> code_;
    std::size_t stack_size_ = 0;  // the most values the program holds at once
};

}  // namespace vellix

#endif
