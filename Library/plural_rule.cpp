#include "plural_rule.h"

#include "decimal_number.h"
#include "header_fields.h"

#include <algorithm>
#include <cctype>

namespace vellix {
namespace {

constexpr std::size_t max_nesting = 200;     // parentheses, '!' and '?:' inside each other
constexpr std::size_t max_stack = 512;       // values a program may hold at once
constexpr std::size_t max_rule_length = 4096;

// The last word of a part's name, after spaces and colons: "nplurals" in "Plural-Forms: nplurals".
std::string_view last_word(std::string_view name) {
    const std::size_t cut = name.find_last_of(" \t:");
    return cut == std::string_view::npos ? name : name.substr(cut + 1);
}

}  // namespace

// Recursive descent over the expression, with C's precedence, emitting the program as it goes. The
// nesting is limited, so the recursion is too.
class PluralRuleParser {
public:
    PluralRuleParser(std::string_view text, PluralRule &rule) : text_(text), rule_(rule) {}

    bool parse_expression(std::string &problem) {
        const bool parsed = conditional() && (skip_space(), at_ == text_.size());
        if (parsed && rule_.stack_size_ > max_stack) problem_ = "the expression is too large";
        if (!parsed || rule_.stack_size_ > max_stack) {
            problem = problem_.empty() ? "unexpected text at position " + std::to_string(at_ + 1) + " of the expression" : problem_;
            return false;
        }
        return true;
    }

private:
    using Op = PluralRule::Op;

    void skip_space() {
        while (at_ < text_.size() && std::isspace(static_cast<unsigned char>(text_[at_]))) ++at_;
    }
    bool take(std::string_view token) {
        skip_space();
        if (text_.compare(at_, token.size(), token) != 0) return false;
        at_ += token.size();
        return true;
    }
    // A one-character operator that must not be the start of a longer one ("<" but not "<=").
    bool take_alone(char c, char not_followed_by) {
        skip_space();
        if (at_ >= text_.size() || text_[at_] != c) return false;
        if (at_ + 1 < text_.size() && text_[at_ + 1] == not_followed_by) return false;
        ++at_;
        return true;
    }
    std::size_t emit(Op op, unsigned long value = 0) {
        rule_.code_.push_back({op, value});
        return rule_.code_.size() - 1;
    }
    void push() {
        if (++depth_ > rule_.stack_size_) rule_.stack_size_ = depth_;
    }
    bool fail(const std::string &text) {
        if (problem_.empty()) problem_ = text;
        return false;
    }
    bool enter() {
        return ++nesting_ <= max_nesting || fail("the expression nests more than " + std::to_string(max_nesting) + " deep");
    }

    // a ? b : c, right to left
    bool conditional() {
        if (!enter() || !logical_or()) return false;
        if (take("?")) {
            const std::size_t to_else = emit(Op::jump_if_zero);
            --depth_;
            if (!conditional() || !take(":")) return fail("a '?' without its ':'");
            const std::size_t to_end = emit(Op::jump);
            --depth_;
            rule_.code_[to_else].value = rule_.code_.size();
            if (!conditional()) return false;
            rule_.code_[to_end].value = rule_.code_.size();
        }
        --nesting_;
        return true;
    }
    // a || b as a ? 1 : !!b, and a && b as a ? !!b : 0: both evaluate b only when it counts.
    bool logical_or() {
        if (!logical_and()) return false;
        while (take("||")) {
            const std::size_t to_right = emit(Op::jump_if_zero);
            --depth_;
            emit(Op::push_value, 1);
            push();
            const std::size_t to_end = emit(Op::jump);
            --depth_;
            rule_.code_[to_right].value = rule_.code_.size();
            if (!logical_and()) return false;
            emit(Op::to_bool);
            rule_.code_[to_end].value = rule_.code_.size();
        }
        return true;
    }
    bool logical_and() {
        if (!equality()) return false;
        while (take("&&")) {
            const std::size_t to_zero = emit(Op::jump_if_zero);
            --depth_;
            if (!equality()) return false;
            emit(Op::to_bool);
            const std::size_t to_end = emit(Op::jump);
            --depth_;
            rule_.code_[to_zero].value = rule_.code_.size();
            emit(Op::push_value, 0);
            push();
            rule_.code_[to_end].value = rule_.code_.size();
        }
        return true;
    }
    bool binary(Op op, bool (PluralRuleParser::*operand)()) {
        if (!(this->*operand)()) return false;
        emit(op);
        --depth_;
        return true;
    }
    bool equality() {
        if (!relational()) return false;
        for (;;) {
            if (take("==")) {
                if (!binary(Op::equal, &PluralRuleParser::relational)) return false;
            } else if (take("!=")) {
                if (!binary(Op::not_equal, &PluralRuleParser::relational)) return false;
            } else {
                return true;
            }
        }
    }
    bool relational() {
        if (!additive()) return false;
        for (;;) {
            if (take("<=")) {
                if (!binary(Op::less_equal, &PluralRuleParser::additive)) return false;
            } else if (take(">=")) {
                if (!binary(Op::greater_equal, &PluralRuleParser::additive)) return false;
            } else if (take_alone('<', '=')) {
                if (!binary(Op::less, &PluralRuleParser::additive)) return false;
            } else if (take_alone('>', '=')) {
                if (!binary(Op::greater, &PluralRuleParser::additive)) return false;
            } else {
                return true;
            }
        }
    }
    bool additive() {
        if (!multiplicative()) return false;
        for (;;) {
            if (take("+")) {
                if (!binary(Op::add, &PluralRuleParser::multiplicative)) return false;
            } else if (take("-")) {
                if (!binary(Op::subtract, &PluralRuleParser::multiplicative)) return false;
            } else {
                return true;
            }
        }
    }
    bool multiplicative() {
        if (!unary()) return false;
        for (;;) {
            if (take("*")) {
                if (!binary(Op::multiply, &PluralRuleParser::unary)) return false;
            } else if (take("/")) {
                if (!binary(Op::divide, &PluralRuleParser::unary)) return false;
            } else if (take("%")) {
                if (!binary(Op::remainder, &PluralRuleParser::unary)) return false;
            } else {
                return true;
            }
        }
    }
    bool unary() {
        if (take_alone('!', '=')) {
            if (!enter() || !unary()) return false;
            --nesting_;
            emit(Op::logical_not);
            return true;
        }
        return primary();
    }
    bool primary() {
        skip_space();
        if (take("(")) {
            if (!conditional()) return false;
            return take(")") || fail("a '(' without its ')'");
        }
        if (at_ < text_.size() && text_[at_] == 'n') {
            ++at_;
            emit(Op::push_n);
            push();
            return depth_ <= max_stack || fail("the expression is too large");
        }
        unsigned long value = 0;
        const std::size_t start = at_;
        if (read_decimal(text_, at_, value)) {
            emit(Op::push_value, value);
            push();
            return depth_ <= max_stack || fail("the expression is too large");
        }
        if (at_ != start) return fail("the number at position " + std::to_string(start + 1) + " is too large");
        return fail(at_ < text_.size() ? "unexpected '" + std::string(1, text_[at_]) + "' at position " + std::to_string(at_ + 1)
                                       : "the expression ends too soon");
    }

    std::string_view text_;
    PluralRule &rule_;
    std::size_t at_ = 0;
    std::size_t depth_ = 0;    // values on the stack at this point of the program
    std::size_t nesting_ = 0;
    std::string problem_;
};

PluralRule::PluralRule() {
    std::string ignored;
    parse("nplurals=2; plural=n != 1;", ignored);
}

bool PluralRule::parse(std::string_view plural_forms, std::string &problem) {
    code_.clear();
    stack_size_ = 0;
    plural_count_ = 1;
    const auto failed = [&](const std::string &text) {
        problem = text;
        code_.clear();  // an empty program gives form 0
        return false;
    };
    if (plural_forms.size() > max_rule_length) return failed("the rule is longer than " + std::to_string(max_rule_length) + " bytes");
    bool has_count = false, has_expression = false;
    std::string_view expression;
    // "nplurals=N; plural=EXPRESSION;", the parts in either order; the expression holds no ';'. As
    // gettext reads it, what follows the two parts is ignored, and a name may follow other words
    // ("Plural-Forms: nplurals=2", a field name written twice).
    while (!trimmed(plural_forms).empty() && !(has_count && has_expression)) {
        const std::size_t end = plural_forms.find(';');
        const std::string_view part = trimmed(plural_forms.substr(0, end));
        plural_forms.remove_prefix(end == std::string_view::npos ? plural_forms.size() : end + 1);
        const std::size_t equals = part.find('=');
        std::string_view name = trimmed(part.substr(0, equals));
        if (equals != std::string_view::npos) name = last_word(name);
        const std::string_view value = equals == std::string_view::npos ? std::string_view() : trimmed(part.substr(equals + 1));
        if (same_name(name, "nplurals")) {
            std::size_t at = 0;
            unsigned long count = 0;
            if (!read_decimal(value, at, count) || at != value.size() || count == 0) {
                return failed("nplurals must be a number of 1 or more");
            }
            plural_count_ = count;
            has_count = true;
        } else if (same_name(name, "plural")) {
            expression = value;
            has_expression = true;
        } else if (!part.empty()) {
            return failed("unknown part '" + std::string(part) + "'");
        }
    }
    if (!has_count) return failed("nplurals=N is missing");
    if (!has_expression) return failed("plural=EXPRESSION is missing");
    PluralRuleParser parser{expression, *this};
    std::string expression_problem;
    if (!parser.parse_expression(expression_problem)) return failed("the plural expression does not parse: " + expression_problem);
    return true;
}

PluralRule PluralRule::of_header(const char *header) {
    PluralRule rule;
    if (!header) return rule;
    const std::string field = header_field(header, "Plural-Forms");
    std::string ignored;
    // A rule that cannot be read gives way to the default, as gettext's lookups do.
    if (!field.empty() && !rule.parse(field, ignored)) rule = PluralRule();
    return rule;
}

unsigned long PluralRule::form(unsigned long n) const {
    if (code_.empty() || stack_size_ > max_stack) return 0;
    unsigned long stack[max_stack];
    std::size_t top = 0;  // values on the stack
    // Jumps only go forward, so the program runs in time bounded by its length.
    for (std::size_t at = 0; at < code_.size(); ++at) {
        const Instruction &instruction = code_[at];
        switch (instruction.op) {
        case Op::push_n: stack[top++] = n; continue;
        case Op::push_value: stack[top++] = instruction.value; continue;
        case Op::logical_not: stack[top - 1] = !stack[top - 1]; continue;
        case Op::to_bool: stack[top - 1] = stack[top - 1] != 0; continue;
        case Op::jump_if_zero:
            if (stack[--top] == 0) at = instruction.value - 1;
            continue;
        case Op::jump: at = instruction.value - 1; continue;
        default: break;
        }
        const unsigned long right = stack[--top];
        unsigned long &left = stack[top - 1];
        switch (instruction.op) {
        case Op::multiply: left *= right; break;
        case Op::divide:
            if (right == 0) return 0;
            left /= right;
            break;
        case Op::remainder:
            if (right == 0) return 0;
            left %= right;
            break;
        case Op::add: left += right; break;
        case Op::subtract: left -= right; break;
        case Op::less: left = left < right; break;
        case Op::less_equal: left = left <= right; break;
        case Op::greater: left = left > right; break;
        case Op::greater_equal: left = left >= right; break;
        case Op::equal: left = left == right; break;
        case Op::not_equal: left = left != right; break;
        default: break;
        }
    }
    const unsigned long form = top == 1 ? stack[0] : 0;
    return form < plural_count_ ? form : 0;
}

}  // namespace vellix
