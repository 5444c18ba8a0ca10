// A PO file's plural rule held against its language's: the functions by table, and `vellix check`
// on files whose rule is swapped, foreign, or the language's own.
#include "plural_renumbering.h"
#include "plural_rule_check.h"
#include "plural_table.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using vellix_test::run_tool;
using vellix_test::TempDir;

TEST(PluralRuleCheck, TheLanguageOfAFileName) {
    const struct {
        const char *path, *language;
    } rows[] = {{"po/de.po", "de"}, {"pt_BR.po", "pt_BR"}, {"C:\\po\\sr@latin.po", "sr@latin"}, {"fil.po", "fil"},
                {"gettext.po", ""}, {"de.pot", ""},        {"pt_br.po", ""},                  {"de_DE.UTF-8.po", ""},
                {".po", ""},        {"x.po", ""}};
    for (const auto &row : rows) EXPECT_EQ(vellix::language_of_po_name(row.path), row.language) << row.path;
}

vellix::PluralRule rule_of(const char *text) {
    vellix::PluralRule rule;
    std::string problem;
    EXPECT_TRUE(rule.parse(text, problem)) << problem;
    return rule;
}

TEST(PluralRuleCheck, DifferencesFromTheLanguagesRule) {
    const struct {
        const char *language, *file_rule, *said;  // "" when nothing is said
    } rows[] = {
        {"pl", "nplurals=3; plural=(n==1 ? 0 : n%10>=2 && n%10<=4 && (n%100<10 || n%100>=20) ? 1 : 2);", ""},
        // The same numbers to the same forms, written otherwise: nothing to say.
        {"pl", "nplurals=3; plural=n==1 ? 0 : (n%10>=2 && n%10<=4 && (n%100<10 || n%100>=20)) ? 1 : 2;", ""},
        {"pl", "nplurals=2; plural=(n != 1);", "for n = 0 it picks form 1, the rule picks form 2"},
        // Forms 1 and 2 swapped: first seen at 2.
        {"pl", "nplurals=3; plural=(n==1 ? 0 : n%10>=2 && n%10<=4 && (n%100<10 || n%100>=20) ? 2 : 1);",
         "for n = 0 it picks form 1, the rule picks form 2"},
        {"ru", "nplurals=3; plural=(n%10==1 && n%100!=11 ? 0 : n%10>=2 && n%10<=4 && (n%100<10 || n%100>=20) ? 1 : 2);", ""},
        {"de", "nplurals=2; plural=(n > 1);", "for n = 0 it picks form 0, the rule picks form 1"},
        {"ja", "nplurals=1; plural=0;", ""},
        {"ja", "nplurals=2; plural=0;", "has nplurals=2, the rule for ja 1"},
        {"cy", "nplurals=2; plural=(n != 1);", "for n = 0 it picks form 1, the rule picks form 0"},
        {"fr", "nplurals=3; plural=(n<=1 ? 0 : n!=0 && n%1000000==0 ? 1 : 2);", "for n = 2 it picks form 2, the rule picks form 1"},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(std::string(row.language) + ": " + row.file_rule);
        const std::string said =
            vellix::differs_from_known_rule(rule_of(row.file_rule), row.language, vellix::plural_forms_for(row.language));
        if (*row.said == '\0') {
            EXPECT_EQ(said, "");
        } else {
            EXPECT_NE(said.find(row.said), std::string::npos) << said;
            EXPECT_NE(said.find(std::string("use \"Plural-Forms: ") + vellix::plural_forms_for(row.language)), std::string::npos);
        }
    }
    EXPECT_EQ(vellix::differs_from_known_rule(rule_of("nplurals=2; plural=(n != 1);"), "tlh", nullptr), "");
}

TEST(PluralRuleCheck, FormsNoNumberReaches) {
    const struct {
        const char *rule;
        std::vector<unsigned> unreached;
    } rows[] = {
        {"nplurals=2; plural=(n != 1);", {}},
        {"nplurals=3; plural=(n != 1);", {2}},
        {"nplurals=3; plural=(n==1 ? 0 : 2);", {1}},
        {"nplurals=4; plural=(n > 4000000000 ? 3 : n > 1);", {2}},  // 4294967295 is tried: form 3 is reached
        {"nplurals=2; plural=(n%1000000==0 && n ? 1 : 0);", {}},     // only by millions
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.rule);
        const std::vector<std::string> said = vellix::unreached_forms(rule_of(row.rule));
        ASSERT_EQ(said.size(), row.unreached.size());
        for (std::size_t i = 0; i < said.size(); ++i) {
            EXPECT_EQ(said[i].rfind("form " + std::to_string(row.unreached[i]) + " of", 0), 0u) << said[i];
        }
    }
}

TEST(PluralRuleCheck, TheCldrCategoriesOfAFilesForms) {
    const struct {
        const char *language, *rule;
        std::vector<std::string> categories;
    } rows[] = {
        {"pl", "nplurals=3; plural=(n==1 ? 0 : n%10>=2 && n%10<=4 && (n%100<10 || n%100>=20) ? 1 : 2);", {"one", "few", "many"}},
        {"es", "nplurals=2; plural=(n != 1);", {"one", "many/other"}},  // msginit's two forms for CLDR's three
        {"de_AT", "nplurals=2; plural=(n != 1);", {"one", "other"}},
        {"de", "nplurals=3; plural=(n != 1);", {"one", "other", ""}},    // form 2 takes no number
        {"pl", "nplurals=2; plural=(n != 1);", {"one", "few/many"}},     // one form for two categories
        {"de", "nplurals=2; plural=(n > 1);", {}},                       // 0 and 2 are "other" in two forms
        {"tlh", "nplurals=2; plural=(n != 1);", {}},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(std::string(row.language) + ": " + row.rule);
        EXPECT_EQ(vellix::cldr_categories_of(rule_of(row.rule), row.language), row.categories);
    }
    TempDir dir;
    vellix_test::write_file(dir.file("es.po"), "msgid \"\"\nmsgstr \"Plural-Forms: nplurals=2; plural=(n != 1);\\n\"\n");
    EXPECT_NE(run_tool({"stats", dir.file("es.po")}).out.find("es.po: plural forms 0 one, 1 many/other (CLDR, es)\n"),
              std::string::npos);
}

TEST(PluralRenumbering, EachNewFormTakesTheOldFormOfItsNumbers) {
    const char *polish = "nplurals=3; plural=(n==1 ? 0 : n%10>=2 && n%10<=4 && (n%100<10 || n%100>=20) ? 1 : 2);";
    const struct {
        const char *old_rule, *new_rule;
        std::vector<unsigned long> old_forms;  // the source of each new form
        std::vector<bool> certain;
    } rows[] = {
        {"nplurals=2; plural=(n != 1);", polish, {0, 1, 1}, {true, true, true}},
        {polish, "nplurals=2; plural=(n != 1);", {0, 2}, {true, false}},  // 0 took form 2 first
        {polish, polish, {0, 1, 2}, {true, true, true}},
        {"nplurals=2; plural=(n > 1);", "nplurals=2; plural=(n != 1);", {0, 0}, {true, false}},  // 0 took form 0, 2 form 1
        {"nplurals=1; plural=0;", "nplurals=3; plural=(n == 1 ? 0 : n == 2 ? 1 : 2);", {0, 0, 0}, {true, true, true}},
        {"nplurals=2; plural=(n != 1);", "nplurals=3; plural=(n != 1);", {0, 1, 1}, {true, true, false}},  // form 2: no number
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(std::string(row.old_rule) + " -> " + row.new_rule);
        const std::vector<vellix::FormSource> sources = vellix::form_sources(rule_of(row.old_rule), rule_of(row.new_rule));
        ASSERT_EQ(sources.size(), row.old_forms.size());
        for (std::size_t form = 0; form < sources.size(); ++form) {
            EXPECT_EQ(sources[form].old_form, row.old_forms[form]) << form;
            EXPECT_EQ(sources[form].certain, row.certain[form]) << form;
            EXPECT_EQ(sources[form].numbers.empty(), row.certain[form]) << sources[form].numbers;
        }
    }
    // An entry: its forms moved, a guess marked fuzzy and named; an untranslated one only resized.
    const std::vector<vellix::FormSource> back = vellix::form_sources(rule_of(polish), rule_of("nplurals=2; plural=(n != 1);"));
    vellix::PoMessage entry;
    entry.has_plural = true;
    entry.translations = {"plik", "pliki", "plików"};
    entry.flags = {"c-format"};
    EXPECT_TRUE(vellix::renumber_forms(entry, back));
    EXPECT_EQ(entry.translations, (std::vector<std::string>{"plik", "plików"}));
    EXPECT_EQ(entry.flags, (std::vector<std::string>{"fuzzy", "c-format"}));
    ASSERT_EQ(entry.translator_comments.size(), 1u);
    EXPECT_NE(entry.translator_comments[0].find("n = 2, 3, 4, 22, 23... took msgstr[1]; n = 0, 5, 6, 7, 8... took msgstr[2]"),
              std::string::npos) << entry.translator_comments[0];
    vellix::PoMessage untranslated;
    untranslated.has_plural = true;
    untranslated.translations = {"", "", ""};
    EXPECT_FALSE(vellix::renumber_forms(untranslated, back));
    EXPECT_EQ(untranslated.translations.size(), 2u);
    EXPECT_TRUE(untranslated.flags.empty());
}

TEST(PluralRuleCheck, CheckWarnsOnASwappedOrForeignRuleOnly) {
    TempDir dir;
    const auto po = [](const std::string &language, const std::string &rule) {
        return "msgid \"\"\nmsgstr \"\"\n\"Language: " + language + "\\n\"\n\"Content-Type: text/plain; charset=UTF-8\\n\"\n"
               "\"Plural-Forms: " + rule + "\\n\"\n\nmsgctxt \"f\"\nmsgid \"one file\"\nmsgid_plural \"files\"\nmsgstr[0] \"a\"\n"
               "msgstr[1] \"b\"\nmsgstr[2] \"c\"\n";
    };
    const std::string polish = vellix::plural_forms_for("pl");
    const struct {
        const char *name;
        std::string text;
        bool warned;
    } rows[] = {
        {"pl.po", po("pl", polish), false},
        {"known.po", po("pl", polish), false},
        {"swapped.po", po("pl", "nplurals=3; plural=(n==1 ? 0 : n%10>=2 && n%10<=4 && (n%100<10 || n%100>=20) ? 2 : 1);"), true},
        {"foreign.po", po("pl", "nplurals=3; plural=(n%10==1 && n%100!=11 ? 0 : n%10>=2 && n%10<=4 && (n%100<10 || n%100>=20) ? 1 : 2);"), true},
        {"uk.po", po("", "nplurals=3; plural=(n==1 ? 0 : n%10>=2 && n%10<=4 && (n%100<10 || n%100>=20) ? 1 : 2);"), true},  // by its name
        {"nolanguage.po", po("", polish), false},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        vellix_test::write_file(dir.file(row.name), row.text);
        const vellix_test::RunResult run = run_tool({"check", dir.file(row.name)});
        EXPECT_EQ(run.status, 0) << run.out << run.err;
        EXPECT_EQ(run.out.find("is not the rule for") != std::string::npos, row.warned) << run.out;
    }
}

// The command on a file in another charset with an obsolete plural entry: all of it renumbered, the
// charset kept, the file replaced in place, what moved said.
TEST(PluralForms, MendsTheWholeFileInItsCharset) {
    TempDir dir;
    const std::string latin2_po =
        "msgid \"\"\nmsgstr \"\"\n\"Language: pl\\n\"\n\"Content-Type: text/plain; charset=ISO-8859-2\\n\"\n"
        "\"Plural-Forms: nplurals=2; plural=(n != 1);\\n\"\n\n"
        "msgid \"a file\"\nmsgid_plural \"files\"\nmsgstr[0] \"plik\"\nmsgstr[1] \"pliki\"\n\n"
        "#~ msgid \"a dog\"\n#~ msgid_plural \"dogs\"\n#~ msgstr[0] \"pies\"\n#~ msgstr[1] \"ps\xf3w\"\n";  // "psów" in ISO-8859-2
    vellix_test::write_file(dir.file("pl.po"), latin2_po);
    const vellix_test::RunResult run = run_tool({"plural-forms", "-U", dir.file("pl.po")});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.err.find("pl.po: nplurals=2 to nplurals=3; 2 plural entries renumbered, 0 marked fuzzy; msgstr[0] from "
                           "msgstr[0], msgstr[1] from msgstr[1], msgstr[2] from msgstr[1]"),
              std::string::npos) << run.err;
    const std::string mended = vellix_test::text_of(dir.file("pl.po"));
    EXPECT_NE(mended.find("msgstr[2] \"pliki\""), std::string::npos) << mended;
    EXPECT_NE(mended.find("#~ msgstr[2] \"ps\xf3w\""), std::string::npos) << mended;  // the obsolete entry, in its charset
    EXPECT_NE(mended.find("nplurals=3;"), std::string::npos);
    // A language without a known rule and no --rule: nothing written.
    vellix_test::write_file(dir.file("tlh.po"), "msgid \"\"\nmsgstr \"Language: tlh\\n\"\n");
    const vellix_test::RunResult unknown = run_tool({"plural-forms", "-U", dir.file("tlh.po")});
    EXPECT_EQ(unknown.status, 1);
    EXPECT_NE(unknown.err.find("--rule="), std::string::npos) << unknown.err;
    EXPECT_EQ(vellix_test::text_of(dir.file("tlh.po")), "msgid \"\"\nmsgstr \"Language: tlh\\n\"\n");
}

}  // namespace
