// The plural rule evaluator: every operator and C's precedence, the rules of real languages checked
// against their definitions for n = 0..1000, hostile rules, and vellix_nget beside
// vellix_index_nget on random catalogs.
#include "catalog_format.h"
#include "header_fields.h"
#include "plural_rule.h"
#include "test_support.h"
#include "vellix.h"
#include "vellix_index.h"

#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <string>
#include <vector>

namespace {

unsigned long form_of(const std::string &expression, unsigned long n, unsigned long plural_count = 1000) {
    vellix::PluralRule rule;
    std::string problem;
    EXPECT_TRUE(rule.parse("nplurals=" + std::to_string(plural_count) + "; plural=" + expression + ";", problem))
        << expression << ": " << problem;
    return rule.form(n);
}

TEST(PluralRule, EveryOperatorWithCsPrecedence) {
    struct Row {
        const char *expression;
        unsigned long n;
        unsigned long form;
    };
    const Row rows[] = {
        {"n", 7, 7}, {"42", 0, 42}, {"!n", 0, 1}, {"!n", 3, 0}, {"!!n", 3, 1},
        {"n*3", 4, 12}, {"n/3", 7, 2}, {"n%3", 7, 1}, {"n+3", 4, 7}, {"n-3", 7, 4},
        {"n<3", 2, 1}, {"n<3", 3, 0}, {"n<=3", 3, 1}, {"n>3", 4, 1}, {"n>=3", 3, 1}, {"n==3", 3, 1}, {"n!=3", 3, 0},
        {"n&&0", 5, 0}, {"n&&7", 5, 1}, {"n||0", 0, 0}, {"0||n", 9, 1},
        {"n?10:20", 1, 10}, {"n?10:20", 0, 20},
        {"2+3*4", 0, 14}, {"(2+3)*4", 0, 20}, {"10-4-3", 0, 3}, {"24/4/2", 0, 3}, {"7%4*2", 0, 6},
        {"1+2<4", 0, 1}, {"1<2==1", 0, 1}, {"3==3&&2", 0, 1}, {"0&&1||1", 0, 1}, {"1||0&&0", 0, 1},
        {"n==1?0:n==2?1:2", 2, 1}, {"n==1?0:n==2?1:2", 5, 2}, {"!n==0", 5, 1}, {"!(n==0)", 5, 1},
        {"  n  %  10  ==  1  ", 21, 1},
        {"n-5", 3, 0},  // unsigned: wraps far past the forms, so form 0
        {"n", 999, 999},  // the last of the 1000 forms
        {"n", 1000, 0},   // one past the last form: no such form, so form 0
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(std::string(row.expression) + " at n=" + std::to_string(row.n));
        EXPECT_EQ(form_of(row.expression, row.n), row.form);
    }
}

// The keys of plural forms 1 and up: the key, a line feed, '#' and the form in decimal, nothing else.
TEST(PluralFormKeys, MadeAndTakenApart) {
    EXPECT_EQ(vellix::plural_form_key("files", 2), "files\n#2");
    const struct Row {
        std::string key;
        std::string base;  // "none" when it is no plural form's key
        unsigned long form;
    } rows[] = {
        {"files\n#1", "files", 1},
        {"files\n#12", "files", 12},
        {"a\n#2\n#3", "a\n#2", 3},
        {"\n#1", "", 1},
        {"files\n#0", "none", 0},
        {"files\n#01", "none", 0},
        {"files\n#", "none", 0},
        {"files\n#1x", "none", 0},
        {"files#1", "none", 0},
        {"files\n#99999999999999999999999", "none", 0},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.key);
        std::string_view base;
        unsigned long form = 0;
        const bool split = vellix::split_plural_form_key(row.key, base, form);
        EXPECT_EQ(split ? std::string(base) : "none", row.base);
        if (split) {
            EXPECT_EQ(form, row.form);
        }
    }
}

struct Language {
    const char *name;
    const char *plural_forms;
    std::function<unsigned long(unsigned long)> definition;
};

TEST(PluralRule, RulesOfRealLanguages) {
    const Language languages[] = {
        {"Japanese", "nplurals=1; plural=0;", [](unsigned long) { return 0ul; }},
        {"English", "nplurals=2; plural=n != 1;", [](unsigned long n) { return n == 1 ? 0ul : 1ul; }},
        {"French", "nplurals=2; plural=n > 1;", [](unsigned long n) { return n > 1 ? 1ul : 0ul; }},
        {"Latvian", "nplurals=3; plural=n%10==1 && n%100!=11 ? 0 : n != 0 ? 1 : 2;",
         [](unsigned long n) { return n % 10 == 1 && n % 100 != 11 ? 0ul : n != 0 ? 1ul : 2ul; }},
        {"Irish", "nplurals=3; plural=n==1 ? 0 : n==2 ? 1 : 2;", [](unsigned long n) { return n == 1 ? 0ul : n == 2 ? 1ul : 2ul; }},
        {"Romanian", "nplurals=3; plural=n==1 ? 0 : (n==0 || (n%100 > 0 && n%100 < 20)) ? 1 : 2;",
         [](unsigned long n) { return n == 1 ? 0ul : (n == 0 || (n % 100 > 0 && n % 100 < 20)) ? 1ul : 2ul; }},
        {"Lithuanian", "nplurals=3; plural=n%10==1 && n%100!=11 ? 0 : n%10>=2 && (n%100<10 || n%100>=20) ? 1 : 2;",
         [](unsigned long n) { return n % 10 == 1 && n % 100 != 11 ? 0ul : n % 10 >= 2 && (n % 100 < 10 || n % 100 >= 20) ? 1ul : 2ul; }},
        {"Russian", "nplurals=3; plural=n%10==1 && n%100!=11 ? 0 : n%10>=2 && n%10<=4 && (n%100<10 || n%100>=20) ? 1 : 2;",
         [](unsigned long n) {
             return n % 10 == 1 && n % 100 != 11 ? 0ul : n % 10 >= 2 && n % 10 <= 4 && (n % 100 < 10 || n % 100 >= 20) ? 1ul : 2ul;
         }},
        {"Ukrainian", "nplurals=3; plural=(n%10==1 && n%100!=11 ? 0 : n%10>=2 && n%10<=4 && (n%100<10 || n%100>=20) ? 1 : 2);",
         [](unsigned long n) {
             return n % 10 == 1 && n % 100 != 11 ? 0ul : n % 10 >= 2 && n % 10 <= 4 && (n % 100 < 10 || n % 100 >= 20) ? 1ul : 2ul;
         }},
        {"Czech", "nplurals=3; plural=(n==1) ? 0 : (n>=2 && n<=4) ? 1 : 2;",
         [](unsigned long n) { return n == 1 ? 0ul : (n >= 2 && n <= 4) ? 1ul : 2ul; }},
        {"Polish", "nplurals=3; plural=n==1 ? 0 : n%10>=2 && n%10<=4 && (n%100<10 || n%100>=20) ? 1 : 2;",
         [](unsigned long n) { return n == 1 ? 0ul : n % 10 >= 2 && n % 10 <= 4 && (n % 100 < 10 || n % 100 >= 20) ? 1ul : 2ul; }},
        {"Slovenian", "nplurals=4; plural=n%100==1 ? 0 : n%100==2 ? 1 : n%100==3 || n%100==4 ? 2 : 3;",
         [](unsigned long n) { return n % 100 == 1 ? 0ul : n % 100 == 2 ? 1ul : n % 100 == 3 || n % 100 == 4 ? 2ul : 3ul; }},
        {"Arabic", "nplurals=6; plural=n==0 ? 0 : n==1 ? 1 : n==2 ? 2 : n%100>=3 && n%100<=10 ? 3 : n%100>=11 ? 4 : 5;",
         [](unsigned long n) {
             return n == 0 ? 0ul : n == 1 ? 1ul : n == 2 ? 2ul : n % 100 >= 3 && n % 100 <= 10 ? 3ul : n % 100 >= 11 ? 4ul : 5ul;
         }},
        {"Icelandic", "nplurals=2; plural=(n%10!=1 || n%100==11);", [](unsigned long n) { return (n % 10 != 1 || n % 100 == 11) ? 1ul : 0ul; }},
        {"Macedonian", "nplurals=2; plural= n==1 || n%10==1 ? 0 : 1;", [](unsigned long n) { return n == 1 || n % 10 == 1 ? 0ul : 1ul; }},
        {"Maltese", "nplurals=4; plural=(n==1 ? 0 : n==0 || ( n%100>1 && n%100<11) ? 1 : (n%100>10 && n%100<20 ) ? 2 : 3);",
         [](unsigned long n) {
             return n == 1 ? 0ul : n == 0 || (n % 100 > 1 && n % 100 < 11) ? 1ul : (n % 100 > 10 && n % 100 < 20) ? 2ul : 3ul;
         }},
        {"Welsh", "nplurals=4; plural=(n==1) ? 0 : (n==2) ? 1 : (n != 8 && n != 11) ? 2 : 3;",
         [](unsigned long n) { return n == 1 ? 0ul : n == 2 ? 1ul : (n != 8 && n != 11) ? 2ul : 3ul; }},
    };
    for (const Language &language : languages) {
        SCOPED_TRACE(language.name);
        vellix::PluralRule rule;
        std::string problem;
        ASSERT_TRUE(rule.parse(language.plural_forms, problem)) << problem;
        for (unsigned long n = 0; n <= 1000; ++n) ASSERT_EQ(rule.form(n), language.definition(n)) << "n = " << n;
    }
}

TEST(PluralRule, HostileRulesGiveFormZeroWithoutHarm) {
    const auto nested = [](std::size_t depth) { return std::string(depth, '(') + "n" + std::string(depth, ')'); };
    std::string chain = "n";
    for (int i = 0; i < 1500; ++i) chain += "+n";  // long, shallow and valid: evaluated in bounded time
    const std::pair<std::string, const char *> rows[] = {
        {"nplurals=2; plural=n/0;", nullptr},
        {"nplurals=2; plural=n%(n-n);", nullptr},
        {"nplurals=2; plural=" + nested(300) + ";", "nests"},
        {"nplurals=2; plural=" + nested(10000) + ";", "longer"},
        {"nplurals=2; plural=" + chain + ";", nullptr},
        {"nplurals=2; plural=" + chain + chain + ";", "longer"},
        {"nplurals=2; plural=99999999999999999999999;", "too large"},
        {"nplurals=2; plural=n ? ;", "ends too soon"},
        {"nplurals=2; plural=n $ 1;", "unexpected"},
        {"nplurals=2; plural=(n;", "without its ')'"},
        {"nplurals=2; plural=n ? 1;", "without its ':'"},
        {"nplurals=two; plural=n;", "nplurals"},
        {"plural=n;", "nplurals=N is missing"},
        {"nplurals=2;", "plural=EXPRESSION is missing"},
        {"garbage", "unknown part"},
    };
    for (const auto &[text, problem_part] : rows) {
        SCOPED_TRACE(text.substr(0, 60));
        vellix::PluralRule rule;
        std::string problem;
        EXPECT_EQ(rule.parse(text, problem), problem_part == nullptr);
        if (problem_part) {
            EXPECT_NE(problem.find(problem_part), std::string::npos) << problem;
        }
        for (const unsigned long n : {0ul, 1ul, 2ul, 5ul, 1000000ul}) EXPECT_EQ(rule.form(n), 0u) << n;
    }
}

TEST(PluralRule, DefaultIsEnglishAndHeadersAreRead) {
    EXPECT_EQ(vellix::PluralRule().form(1), 0u);
    EXPECT_EQ(vellix::PluralRule().form(0), 1u);
    EXPECT_EQ(vellix::PluralRule().plural_count(), 2u);
    const vellix::PluralRule polish = vellix::PluralRule::of_header(
        "Content-Type: text/plain; charset=UTF-8\nplural-forms:  nplurals=3; plural=n==1 ? 0 : n%10>=2 && n%10<=4 && (n%100<10 || n%100>=20) ? 1 : 2;\n");
    EXPECT_EQ(polish.plural_count(), 3u);
    EXPECT_EQ(polish.form(22), 1u);
    EXPECT_EQ(polish.form(25), 2u);
    EXPECT_EQ(vellix::PluralRule::of_header("Plural-Forms: nplurals=2; plural=n/0;\n").form(5), 0u);
    // A rule that cannot be read gives way to gettext's default, n != 1 with two forms; what
    // follows the rule's two parts, or a field name written twice, is read past.
    for (const char *header : {"Plural-Forms: nulurals=1; plural=0;\n", "Plural-Forms: 2\n", "Plural-Forms: nplurals=2; plural=n >;\n"}) {
        SCOPED_TRACE(header);
        const vellix::PluralRule unread = vellix::PluralRule::of_header(header);
        EXPECT_EQ(unread.plural_count(), 2u);
        EXPECT_EQ(unread.form(1), 0u);
        EXPECT_EQ(unread.form(5), 1u);
    }
    const vellix::PluralRule read_past = vellix::PluralRule::of_header("Plural-Forms: Plural-Forms: nplurals=3; plural=n%3;\\n;\n");
    EXPECT_EQ(read_past.plural_count(), 3u);
    EXPECT_EQ(read_past.form(5), 2u);
    EXPECT_EQ(vellix::plural_form_key("files", 2), "files\n#2");
}

// Random catalogs with random rules: the handle and the index give the very same pointers.
TEST(PluralLookup, HandleAndIndexAgree) {
    std::mt19937 random(20261209);
    const char *rules[] = {"nplurals=2; plural=n != 1;", "nplurals=3; plural=n%3;", "nplurals=1; plural=0;",
                           "nplurals=4; plural=n>3 ? 5 : n;", "nplurals=2; plural=n/(n-4);"};
    for (int round = 0; round < 20; ++round) {
        vellix_test::Handle catalog{vellix_empty()};
        if (round % 5 != 4) vellix_add(catalog.get(), "", (std::string("Plural-Forms: ") + rules[round % 5] + "\n").c_str());
        for (int key = 0; key < 30; ++key) {
            for (int form = 0; form < 4; ++form) {
                if (random() % 3 == 0) continue;
                const std::string name = "k" + std::to_string(key);
                vellix_add(catalog.get(), (form == 0 ? name : vellix::plural_form_key(name, form)).c_str(),
                           (name + "/" + std::to_string(form)).c_str());
            }
        }
        vellix_index *index = vellix_index_build(catalog.get());
        ASSERT_NE(index, nullptr);
        const char *one = "one", *many = "many";
        for (int key = 0; key < 32; ++key) {
            const std::string name = "k" + std::to_string(key);
            for (unsigned long n = 0; n < 40; ++n) {
                const char *handle_answer = vellix_nget(catalog.get(), name.c_str(), n, one, many);
                EXPECT_EQ(vellix_index_nget(index, name.c_str(), n, one, many), handle_answer) << name << " " << n;
                if (handle_answer == one || handle_answer == many) {
                    EXPECT_EQ(handle_answer, n == 1 ? one : many);
                }
            }
        }
        vellix_index_free(index);
    }
    EXPECT_EQ(vellix_nget(nullptr, "k", 1, "one", "many"), std::string("one"));
    EXPECT_EQ(vellix_index_nget(nullptr, "k", 2, "one", "many"), std::string("many"));
    EXPECT_EQ(vellix_nget(nullptr, nullptr, 2, "one", nullptr), nullptr);
}

}  // namespace
