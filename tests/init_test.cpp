// `vellix init`: a new translation's header, never over an existing one, and the same plural rules
// as GNU msginit where it is installed.
#include "header_fields.h"
#include "merge_test_support.h"
#include "plural_rule.h"
#include "plural_table.h"
#include "po_test_support.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <string>
#include <thread>
#include <vector>

namespace {

using vellix_test::entry;
using vellix_test::RunResult;
using vellix_test::run_tool;
using vellix_test::shown;
using vellix_test::template_header;
using vellix_test::text_of;
using vellix_test::TempDir;
using vellix_test::write_file;

TEST(Init, StartsATranslationForTheLanguage) {
    TempDir dir;
    write_file(dir.file("app.pot"), "#, fuzzy\n" + template_header + entry("k", "Text", "") +
                                        "\nmsgctxt \"n\"\nmsgid \"%d file\"\nmsgid_plural \"%d files\"\nmsgstr[0] \"\"\nmsgstr[1] \"\"\n");
    const RunResult run = run_tool({"init", "--locale=pl_PL", "-o", dir.file("pl.po"), dir.file("app.pot")});
    ASSERT_EQ(run.status, 0) << run.err;
    const std::string po = text_of(dir.file("pl.po"));
    const std::string header = vellix_test::po_header_text(po);
    EXPECT_EQ(vellix::header_field(header, "Language"), "pl_PL");
    EXPECT_EQ(vellix::header_field(header, "Plural-Forms"), vellix::plural_forms_for("pl"));
    EXPECT_EQ(po.find("fuzzy"), std::string::npos) << "a translation's header is not fuzzy";
    // The fields msgfmt --check asks of a translation's header.
    for (const char *field : {"Project-Id-Version", "PO-Revision-Date", "Last-Translator", "Language-Team", "MIME-Version",
                              "Content-Transfer-Encoding"}) {
        EXPECT_NE(vellix::header_field(header, field), "") << field;
    }
    // A date and an offset from UTC, as xgettext and msginit write them (not a zone's name).
    EXPECT_TRUE(std::regex_match(vellix::header_field(header, "PO-Revision-Date"),
                                 std::regex("[0-9]{4}-[0-9]{2}-[0-9]{2} [0-9]{2}:[0-9]{2}[+-][0-9]{4}")))
        << header;
#ifndef _WIN32
    {
        // A zone five and a half hours east of UTC, without summer time.
        vellix_test::ScopedEnv zone{"TZ"};
        zone.set("XYZ-5:30");
        ASSERT_EQ(run_tool({"init", "--locale=de", "-o", dir.file("tz.po"), dir.file("app.pot")}).status, 0);
        const std::string date = vellix::header_field(vellix_test::po_header_text(text_of(dir.file("tz.po"))), "PO-Revision-Date");
        EXPECT_EQ(date.substr(date.size() - 5), "+0530") << date;
    }
#endif
#ifndef _WIN32
    if (std::filesystem::exists("/usr/bin/msgfmt")) {
        const RunResult gnu = vellix_test::run_program("/usr/bin/msgfmt", {"msgfmt", "--check", "-o", dir.file("pl.mo"), dir.file("pl.po")});
        EXPECT_EQ(gnu.err.find("missing in header"), std::string::npos) << gnu.err;
    }
#endif
    EXPECT_EQ(shown(po), (std::vector<std::string>{"k|Text|[]|", "n|%d file/%d files|[][][]|"}));
    // Never over a translation; an unknown language is said.
    EXPECT_EQ(run_tool({"init", "--locale=pl_PL", "-o", dir.file("pl.po"), dir.file("app.pot")}).status, 1);
    // A language without a rule anywhere: nothing written, and how to give one.
    const RunResult unknown = run_tool({"init", "--locale=tlh", "-o", dir.file("tlh.po"), dir.file("app.pot")});
    EXPECT_EQ(unknown.status, 1);
    EXPECT_NE(unknown.err.find("no plural rule is known for the language of 'tlh'"), std::string::npos) << unknown.err;
    EXPECT_NE(unknown.err.find("--plural-forms='nplurals=N; plural=EXPRESSION;'"), std::string::npos) << unknown.err;
    EXPECT_FALSE(std::filesystem::exists(dir.file("tlh.po")));
    // --plural-forms for any language, known or not; one that does not parse is refused.
    const struct {
        const char *locale, *rule;
        int status;
    } given[] = {{"tlh", "nplurals=2; plural=(n > 1);", 0}, {"de", "nplurals=1; plural=0;", 0},
                 {"fr", "nplurals=2; plural=(n >", 2}, {"fr", "nplurals=101; plural=0;", 2}};
    for (const auto &row : given) {
        SCOPED_TRACE(row.rule);
        const std::string out = dir.file(std::string("given-") + row.locale + std::to_string(row.status) + ".po");
        const RunResult run = run_tool({"init", std::string("--locale=") + row.locale, std::string("--plural-forms=") + row.rule,
                                        "-o", out, dir.file("app.pot")});
        EXPECT_EQ(run.status, row.status) << run.err;
        if (row.status == 0) {
            EXPECT_EQ(vellix::header_field(vellix_test::po_header_text(text_of(out)), "Plural-Forms"), row.rule);
        } else {
            EXPECT_FALSE(std::filesystem::exists(out));
        }
    }
}

// Two inits of one translation at once: one creates it, the other says it exists; never both.
TEST(Init, OfTwoAtOnceOneCreatesTheFile) {
    TempDir dir;
    write_file(dir.file("app.pot"), template_header + entry("k", "Text", ""));
    for (int round = 0; round < 8; ++round) {
        SCOPED_TRACE(round);
        const std::string output = dir.file("de" + std::to_string(round) + ".po");
        RunResult first, second;
        std::thread other([&] { second = run_tool({"init", "--locale=de", "-o", output, dir.file("app.pot")}); });
        first = run_tool({"init", "--locale=de", "-o", output, dir.file("app.pot")});
        other.join();
        EXPECT_EQ((first.status == 0) + (second.status == 0), 1) << first.err << second.err;
        EXPECT_NE((first.err + second.err).find("it exists already"), std::string::npos);
        EXPECT_EQ(shown(text_of(output)), std::vector<std::string>{"k|Text|[]|"});
    }
}

#ifndef _WIN32
// msginit's languages get msginit's expression exactly; every other CLDR locale code, CLDR's rule.
TEST(Init, PluralRulesAreMsginitsWhereItHasOne) {
    if (!std::filesystem::exists("/usr/bin/msginit")) GTEST_SKIP() << "GNU msginit is not installed";
    TempDir dir;
    write_file(dir.file("app.pot"), template_header + entry("k", "Text", ""));
    std::vector<std::string> codes = {"pt_BR", "no", "eo", "de_AT", "sr_Latn"};
    std::size_t count = 0;
    const vellix::CldrPluralRule *rules = vellix::cldr_plural_rules(count);
    for (std::size_t i = 0; i < count; ++i) codes.emplace_back(rules[i].locale);
    int msginit_languages = 0;
    for (const std::string &code : codes) {
        SCOPED_TRACE(code);
        const std::string out = dir.file(code + ".po");
        vellix_test::run_program("/usr/bin/msginit", {"msginit", "--no-translator", "--locale=" + code, "-i",
                                                      dir.file("app.pot"), "-o", out});
        const std::string po = std::filesystem::exists(out) ? text_of(out) : std::string();
        const std::size_t at = po.find("Plural-Forms: ");
        const vellix::KnownPluralRule ours = vellix::known_plural_rule(code);
        if (at == std::string::npos) {  // msginit has no rule of its own: CLDR's
            EXPECT_NE(ours.categories, nullptr);
            continue;
        }
        std::string theirs = po.substr(at + 14, po.find("\\n\"", at) - at - 14);
        for (std::size_t quote; (quote = theirs.find("\"\n\"")) != std::string::npos;) theirs.erase(quote, 3);
        ASSERT_NE(ours.plural_forms, nullptr);
        EXPECT_EQ(ours.plural_forms, theirs);
        EXPECT_EQ(ours.categories, nullptr);
        ++msginit_languages;
    }
    EXPECT_GT(msginit_languages, 30);
}
#endif

}  // namespace
