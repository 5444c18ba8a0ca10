// The plural rules made from CLDR: for every locale code, the Plural-Forms expression picks, for
// every n from 0 to 100,000, the form whose position is that of n's CLDR category among the
// language's integer categories, as an evaluator of CLDR's own rule syntax (written here, apart from
// the script that made the table) decides it. And which rule a locale gets: msginit's, then CLDR's.
#include "plural_rule.h"
#include "plural_table.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

// CLDR's rule syntax for an integer: n and i are the number, every other operand (v w f t c e) 0.
class CldrCondition {
public:
    explicit CldrCondition(const std::string &text) {
        std::istringstream words(spaced(text));
        std::vector<std::string> tokens;
        for (std::string word; words >> word;) tokens.push_back(word);
        Relation relation;
        std::vector<Relation> all;
        std::size_t at = 0;
        while (at < tokens.size()) {
            relation = Relation{};
            relation.operand = tokens[at++][0];
            if (at < tokens.size() && tokens[at] == "%") {
                relation.modulus = std::stoull(tokens[at + 1]);
                at += 2;
            }
            relation.equal = tokens.at(at++) == "=";
            for (;;) {
                const std::uint64_t low = std::stoull(tokens.at(at++));
                std::uint64_t high = low;
                if (at < tokens.size() && tokens[at] == "..") {
                    high = std::stoull(tokens.at(at + 1));
                    at += 2;
                }
                relation.ranges.push_back({low, high});
                if (at < tokens.size() && tokens[at] == ",") {
                    ++at;
                    continue;
                }
                break;
            }
            all.push_back(relation);
            if (at < tokens.size() && tokens[at] == "or") groups_.push_back(std::move(all)), all.clear();
            if (at < tokens.size()) ++at;  // "and" or "or"
        }
        if (!all.empty()) groups_.push_back(std::move(all));
    }

    bool empty() const { return groups_.empty(); }

    bool holds(std::uint64_t n) const {
        for (const std::vector<Relation> &group : groups_) {
            bool all = true;
            for (const Relation &relation : group) all = all && relation.holds(n);
            if (all) return true;
        }
        return false;
    }

private:
    struct Relation {
        char operand = 'n';
        std::uint64_t modulus = 0;
        bool equal = true;
        std::vector<std::pair<std::uint64_t, std::uint64_t>> ranges;

        bool holds(std::uint64_t n) const {
            std::uint64_t value = operand == 'n' || operand == 'i' ? n : 0;
            if (modulus) value %= modulus;
            bool inside = false;
            for (const auto &[low, high] : ranges) inside = inside || (value >= low && value <= high);
            return inside == equal;
        }
    };
    // "i%10=2..4,9" as "i % 10 = 2 .. 4 , 9".
    static std::string spaced(const std::string &text) {
        std::string out;
        for (std::size_t i = 0; i < text.size(); ++i) {
            if (text.compare(i, 2, "..") == 0 || text.compare(i, 2, "!=") == 0) {
                out += ' ' + text.substr(i, 2) + ' ';
                ++i;
            } else if (text[i] == '%' || text[i] == '=' || text[i] == ',') {
                out += std::string(" ") + text[i] + ' ';
            } else {
                out += text[i];
            }
        }
        return out;
    }
    std::vector<std::vector<Relation>> groups_;
};

// "one: i = 1 and v = 0; few: ...; other: " as (category, condition) pairs.
std::vector<std::pair<std::string, CldrCondition>> categories_of(const std::string &rules) {
    std::vector<std::pair<std::string, CldrCondition>> categories;
    std::size_t at = 0;
    while (at < rules.size()) {
        const std::size_t end = std::min(rules.find("; ", at), rules.size());
        const std::string part = rules.substr(at, end - at);
        const std::size_t colon = part.find(':');
        categories.emplace_back(part.substr(0, colon), CldrCondition(part.substr(colon + 1)));
        at = end + 2;
    }
    return categories;
}

// n's CLDR category: the first whose condition holds, else "other".
std::string category_of(const std::vector<std::pair<std::string, CldrCondition>> &categories, std::uint64_t n) {
    for (const auto &[name, condition] : categories) {
        if (!condition.empty() && condition.holds(n)) return name;
    }
    return "other";
}

TEST(CldrPlurals, EveryExpressionPicksTheFormOfItsCategory) {
    std::size_t count = 0;
    const vellix::CldrPluralRule *rules = vellix::cldr_plural_rules(count);
    EXPECT_GT(count, 200u);
    EXPECT_STRNE(vellix::cldr_version(), "");
    std::set<std::string> checked;  // many codes share one rule: each pair of texts once
    for (std::size_t r = 0; r < count; ++r) {
        const vellix::CldrPluralRule &rule = rules[r];
        SCOPED_TRACE(std::string(rule.locale) + ": " + rule.plural_forms);
        if (!checked.insert(std::string(rule.plural_forms) + "|" + rule.categories + "|" + rule.cldr_rules).second) continue;
        std::vector<std::string> forms;
        std::istringstream names(rule.categories);
        for (std::string name; names >> name;) forms.push_back(name);
        vellix::PluralRule expression;
        std::string problem;
        ASSERT_TRUE(expression.parse(rule.plural_forms, problem)) << problem;
        ASSERT_EQ(expression.plural_count(), forms.size());
        const auto categories = categories_of(rule.cldr_rules);
        std::vector<bool> reached(forms.size(), false);
        for (std::uint64_t n = 0; n <= 100000; ++n) {
            const std::string category = category_of(categories, n);
            const unsigned long form = expression.form(n);
            ASSERT_LT(form, forms.size()) << "n = " << n;
            ASSERT_EQ(forms[form], category) << "n = " << n;
            reached[form] = true;
        }
        for (const std::uint64_t n : {1000000ull, 2000000ull, 1000000000ull, 100100000ull}) {
            ASSERT_EQ(forms[expression.form(n)], category_of(categories, n)) << "n = " << n;
            reached[expression.form(n)] = true;
        }
        for (std::size_t form = 0; form < forms.size(); ++form) EXPECT_TRUE(reached[form]) << forms[form];
    }
}

TEST(CldrPlurals, WhichRuleALocaleGets) {
    const struct Row {
        const char *locale;
        const char *plural_forms;  // null: no rule
        const char *categories;    // null: msginit's rule
    } rows[] = {
        {"pl", "nplurals=3; plural=(n==1 ? 0 : n%10>=2 && n%10<=4 && (n%100<10 || n%100>=20) ? 1 : 2);", nullptr},
        {"fr_CA.UTF-8", "nplurals=2; plural=(n > 1);", nullptr},  // msginit's, though CLDR has a "many"
        {"pt_BR", "nplurals=2; plural=(n > 1);", nullptr},
        {"pt_PT", "nplurals=2; plural=(n != 1);", nullptr},          // msginit's answer for pt_PT is pt's
        {"cy", "nplurals=6; plural=(n==0 ? 0 : n==1 ? 1 : n==2 ? 2 : n==3 ? 3 : n==6 ? 4 : 5);",
         "zero one two few many other"},
        {"ar_EG@latin", nullptr, "zero one two few many other"},  // CLDR's for the language
        {"zh_TW", "nplurals=1; plural=0;", "other"},
        {"hi", "nplurals=2; plural=(n > 1);", "one other"},
        {"root", nullptr, nullptr},
        {"tlh", nullptr, nullptr},
        {"", nullptr, nullptr},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.locale);
        const vellix::KnownPluralRule known = vellix::known_plural_rule(row.locale);
        if (row.plural_forms) {
            ASSERT_NE(known.plural_forms, nullptr);
            EXPECT_STREQ(known.plural_forms, row.plural_forms);
        }
        if (!row.plural_forms && !row.categories) {
            EXPECT_EQ(known.plural_forms, nullptr);
        }
        if (row.categories) {
            ASSERT_NE(known.categories, nullptr);
            EXPECT_STREQ(known.categories, row.categories);
        } else {
            EXPECT_EQ(known.categories, nullptr);
        }
    }
}

}  // namespace
