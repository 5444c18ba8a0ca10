// `vellix init` and `vellix merge`: a new translation's header, the merge of a changed template into
// a translation case by case, and the same result as GNU msgmerge --previous and the same plural
// rules as GNU msginit where they are installed.
#include "catalog_format.h"
#include "header_fields.h"
#include "plural_rule.h"
#include "plural_table.h"
#include "po_reader.h"
#include "po_test_support.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <thread>
#include <vector>

namespace {

using vellix_test::RunResult;
using vellix_test::run_tool;
using vellix_test::text_of;
using vellix_test::TempDir;
using vellix_test::write_file;

const std::string vellix_tool = VELLIX_TOOL_PATH;

// Each entry as "ctx|id|translations|flags|previous", obsolete ones marked "~", the header left out.
struct Shown : vellix::PoSink {
    std::vector<std::string> seen;
    void add(const vellix::PoMessage &message, const char *mark) {
        if (message.is_header()) return;
        std::string line = mark + message.context + "|" + message.id + (message.has_plural ? "/" + message.plural_id : "") + "|";
        for (const std::string &translation : message.translations) line += "[" + translation + "]";
        line += "|";
        for (const std::string &flag : message.flags) line += flag + ";";
        if (message.has_previous_id) line += "|was " + message.previous_id;
        seen.push_back(line);
    }
    void message(const vellix::PoMessage &message) override { add(message, ""); }
    void obsolete(const vellix::PoMessage &message) override { add(message, "~"); }
    void syntax_error(std::uint64_t line, const std::string &text) override { seen.push_back("error " + std::to_string(line) + text); }
};

std::vector<std::string> shown(const std::string &po) {
    Shown entries;
    vellix::read_po(po.data(), po.size(), entries);
    return entries.seen;
}

const std::string template_header = "msgid \"\"\nmsgstr \"\"\n\"Content-Type: text/plain; charset=UTF-8\\n\"\n\"X-Vellix-Keys: msgctxt\\n\"\n";
const std::string translation_header = "msgid \"\"\nmsgstr \"\"\n\"Language: de\\n\"\n\"Content-Type: text/plain; charset=UTF-8\\n\"\n"
                                       "\"Plural-Forms: nplurals=2; plural=(n != 1);\\n\"\n\"X-Vellix-Keys: msgctxt\\n\"\n";

std::string entry(const std::string &key, const std::string &id, const std::string &translation, const std::string &comments = "") {
    return "\n" + comments + "msgctxt \"" + key + "\"\nmsgid \"" + id + "\"\nmsgstr \"" + translation + "\"\n";
}

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
    EXPECT_EQ(shown(po), (std::vector<std::string>{"k|Text|[]|", "n|%d file/%d files|[][][]|"}));
    // Never over a translation; an unknown language is said.
    EXPECT_EQ(run_tool({"init", "--locale=pl_PL", "-o", dir.file("pl.po"), dir.file("app.pot")}).status, 1);
    const RunResult unknown = run_tool({"init", "--locale=xx", "-o", dir.file("xx.po"), dir.file("app.pot")});
    EXPECT_EQ(unknown.status, 1);
    EXPECT_NE(unknown.err.find("Plural-Forms: nplurals=N; plural=EXPRESSION;"), std::string::npos) << unknown.err;
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

struct MergeRow {
    const char *name;
    std::string translation;  // entries after the translation's header
    std::string fresh;        // entries after the template's header
    std::vector<std::string> merged;
    bool msgmerge_agrees;  // msgmerge --previous must give the same
};

TEST(Merge, MatchesEntriesByKey) {
    const MergeRow rows[] = {
        {"unchanged", entry("a", "Apple", "Apfel", "# a translator's note\n"), entry("a", "Apple", ""), {"a|Apple|[Apfel]|"}, true},
        {"new key", entry("a", "Apple", "Apfel"), entry("a", "Apple", "") + entry("b", "Banana", ""),
         {"a|Apple|[Apfel]|", "b|Banana|[]|"}, true},
        {"removed key", entry("a", "Apple", "Apfel") + entry("b", "Banana", "Banane"), entry("a", "Apple", ""),
         {"a|Apple|[Apfel]|", "~b|Banana|[Banane]|"}, true},
        {"a text changed by a word", entry("a", "Red apple", "Roter Apfel"), entry("a", "Green apple", ""),
         {"a|Green apple|[Roter Apfel]|fuzzy;|was Red apple"}, true},
        {"a text changed completely", entry("a", "Apple", "Apfel"), entry("a", "Something else entirely", ""),
         {"a|Something else entirely|[Apfel]|fuzzy;|was Apple"}, false},
        {"a key back from obsolete", entry("a", "Apple", "Apfel") + "\n#~ msgctxt \"b\"\n#~ msgid \"Banana\"\n#~ msgstr \"Banane\"\n",
         entry("a", "Apple", "") + entry("b", "Banana", ""), {"a|Apple|[Apfel]|", "b|Banana|[Banane]|"}, false},
        {"an obsolete entry stays obsolete, once",
         entry("a", "Apple", "Apfel") + "\n#~ msgctxt \"c\"\n#~ msgid \"Cherry\"\n#~ msgstr \"Kirsche\"\n", entry("a", "Apple", ""),
         {"a|Apple|[Apfel]|", "~c|Cherry|[Kirsche]|"}, true},
        {"an entry gone and an obsolete one, both kept in order",
         entry("a", "Apple", "Apfel") + entry("b", "Banana", "Banane") + "\n#~ msgctxt \"c\"\n#~ msgid \"Cherry\"\n#~ msgstr \"Kirsche\"\n",
         entry("a", "Apple", ""), {"a|Apple|[Apfel]|", "~b|Banana|[Banane]|", "~c|Cherry|[Kirsche]|"}, true},
        {"two keys with one text keep their own translations", entry("a", "Open", "Öffnen") + entry("b", "Open", "Aufmachen"),
         entry("a", "Open", "") + entry("b", "Open", ""), {"a|Open|[Öffnen]|", "b|Open|[Aufmachen]|"}, true},
        {"a fuzzy entry stays fuzzy", "\n#, fuzzy\nmsgctxt \"a\"\nmsgid \"Apple\"\nmsgstr \"Apfel\"\n", entry("a", "Apple", ""),
         {"a|Apple|[Apfel]|fuzzy;"}, true},
        {"plural forms as many as the translation's rule",
         "", "\nmsgctxt \"n\"\nmsgid \"%d file\"\nmsgid_plural \"%d files\"\nmsgstr[0] \"\"\nmsgstr[1] \"\"\n",
         {"n|%d file/%d files|[][]|"}, false},
    };
    for (const MergeRow &row : rows) {
        SCOPED_TRACE(row.name);
        TempDir dir;
        write_file(dir.file("de.po"), translation_header + row.translation);
        write_file(dir.file("app.pot"), template_header + row.fresh);
        const RunResult run = run_tool({"merge", dir.file("de.po"), dir.file("app.pot")});
        ASSERT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(shown(run.out), row.merged);
        EXPECT_NE(run.out.find("\"Language: de\\n\""), std::string::npos) << "the translation's header is kept";
#ifndef _WIN32
        if (row.msgmerge_agrees && std::filesystem::exists("/usr/bin/msgmerge")) {
            const RunResult gnu = vellix_test::run_program(
                "/usr/bin/msgmerge", {"msgmerge", "--previous", "-q", "-o", dir.file("gnu.po"), dir.file("de.po"), dir.file("app.pot")});
            ASSERT_EQ(gnu.status, 0) << gnu.err;
            EXPECT_EQ(shown(run.out), shown(text_of(dir.file("gnu.po"))));
        }
#endif
    }
}

// Without X-Vellix-Keys the key is msgctxt, 0x04 and msgid: one text in two contexts is two entries.
TEST(Merge, TheContextIsPartOfATextKey) {
    TempDir dir;
    const std::string header = "msgid \"\"\nmsgstr \"Content-Type: text/plain; charset=UTF-8\\n\"\n";
    const auto in = [](const char *context, const char *translation) {
        return std::string("\n") + (context ? std::string("msgctxt \"") + context + "\"\n" : "") + "msgid \"Open\"\nmsgstr \"" +
               translation + "\"\n";
    };
    write_file(dir.file("de.po"), header + in("menu", "Öffnen") + in(nullptr, "Offen") + in("file", "Datei öffnen"));
    write_file(dir.file("app.pot"), header + in(nullptr, "") + in("file", "") + in("menu", ""));
    const RunResult run = run_tool({"merge", dir.file("de.po"), dir.file("app.pot")});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(shown(run.out), (std::vector<std::string>{"|Open|[Offen]|", "file|Open|[Datei öffnen]|", "menu|Open|[Öffnen]|"}));
}

// Where msgctxt holds the keys, an entry without one has no key: merge and init refuse the file with
// the error compile gives, instead of keeping one such entry and losing the others.
TEST(Merge, RefusesEntriesWithoutTheirKeyAsCompileDoes) {
    TempDir dir;
    write_file(dir.file("app.pot"), template_header + "\nmsgid \"One\"\nmsgstr \"\"\n\nmsgid \"Two\"\nmsgstr \"\"\n");
    write_file(dir.file("de.po"), translation_header + entry("a", "Apple", "Apfel"));
    const std::string error = ": error: the entry has no msgctxt, which holds the keys in this file (X-Vellix-Keys: msgctxt)\n";
    const std::string expected = dir.file("app.pot") + ":6" + error + dir.file("app.pot") + ":9" + error;
    const RunResult compile = run_tool({"compile", "-o", dir.file("app.18c"), dir.file("app.pot")});
    EXPECT_EQ(compile.status, 1);
    EXPECT_EQ(compile.err, expected);
    for (const std::vector<std::string> &arguments : std::vector<std::vector<std::string>>{
             {"merge", "-o", dir.file("merged.po"), dir.file("de.po"), dir.file("app.pot")},
             {"merge", "-U", dir.file("de.po"), dir.file("app.pot")},
             {"init", "--locale=de", "-o", dir.file("new.po"), dir.file("app.pot")}}) {
        SCOPED_TRACE(arguments[0] + " " + arguments[1]);
        const RunResult run = run_tool(arguments);
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.err, expected);
    }
    EXPECT_FALSE(std::filesystem::exists(dir.file("merged.po")));
    EXPECT_FALSE(std::filesystem::exists(dir.file("new.po")));
    EXPECT_EQ(shown(text_of(dir.file("de.po"))), (std::vector<std::string>{"a|Apple|[Apfel]|"})) << "-U left it as it was";
}

// Where only the translation says that msgctxt holds the keys (a template from elsewhere), the keys
// are still msgctxt in both: a changed text keeps its translation.
TEST(Merge, EitherHeaderPutsTheKeysInMsgctxt) {
    TempDir dir;
    write_file(dir.file("de.po"), translation_header + entry("a", "Red apple", "Roter Apfel"));
    write_file(dir.file("app.pot"), "msgid \"\"\nmsgstr \"Content-Type: text/plain; charset=UTF-8\\n\"\n" + entry("a", "Green apple", ""));
    const RunResult run = run_tool({"merge", dir.file("de.po"), dir.file("app.pot")});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(shown(run.out), (std::vector<std::string>{"a|Green apple|[Roter Apfel]|fuzzy;|was Red apple"}));
}

#ifndef _WIN32
// Where no temporary file can be made beside the translation (here its name is too long for one to
// be made beside it), -U refuses rather than rewrite the translator's only copy in place.
TEST(Merge, UpdateNeverRewritesTheTranslationInPlace) {
    TempDir dir;
    const std::string translation = dir.file(std::string(248, 'd') + ".po");
    const std::string before = translation_header + entry("a", "Apple", "Apfel");
    write_file(translation, before);
    write_file(dir.file("app.pot"), template_header + entry("a", "Apple", "") + entry("b", "Banana", ""));
    const RunResult run = run_tool({"merge", "-U", translation, dir.file("app.pot")});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "vellix: cannot write " + translation + ": File name too long\n");
    EXPECT_EQ(text_of(translation), before);
}
#endif

// A translation in Latin-1 is read converted, merged with a UTF-8 template, and written back in
// Latin-1; a text Latin-1 cannot hold is refused with the translation untouched.
TEST(Merge, KeepsTheTranslationsCharset) {
    TempDir dir;
    const std::string latin1_header = "msgid \"\"\nmsgstr \"\"\n\"Content-Type: text/plain; charset=ISO-8859-1\\n\"\n"
                                      "\"X-Vellix-Keys: msgctxt\\n\"\n";
    const std::string before = latin1_header + entry("a", "Summer", "\xE9t\xE9");
    write_file(dir.file("fr.po"), before);
    write_file(dir.file("app.pot"), template_header + entry("a", "Summer", "") + entry("b", "Caf\xC3\xA9", ""));
    const RunResult run = run_tool({"merge", "-U", dir.file("fr.po"), dir.file("app.pot")});
    ASSERT_EQ(run.status, 0) << run.err;
    const std::string after = text_of(dir.file("fr.po"));
    EXPECT_NE(after.find("msgstr \"\xE9t\xE9\""), std::string::npos) << after;
    EXPECT_NE(after.find("msgid \"Caf\xE9\""), std::string::npos) << after;
    EXPECT_NE(after.find("charset=ISO-8859-1"), std::string::npos) << after;
    write_file(dir.file("fr.po"), before);
    write_file(dir.file("app.pot"), template_header + entry("a", "Summer", "") + entry("c", "\xE2\x82\xAC 5", ""));
    const RunResult refused = run_tool({"merge", "-U", dir.file("fr.po"), dir.file("app.pot")});
    EXPECT_EQ(refused.status, 1);
    EXPECT_NE(refused.err.find("cannot hold"), std::string::npos) << refused.err;
    EXPECT_EQ(text_of(dir.file("fr.po")), before);
    // init from a Latin-1 template writes Latin-1, as the header it copies says.
    write_file(dir.file("app.pot"), latin1_header + entry("a", "Caf\xE9", ""));
    const RunResult init = run_tool({"init", "-l", "fr", "-o", dir.file("new.po"), dir.file("app.pot")});
    ASSERT_EQ(init.status, 0) << init.err;
    EXPECT_NE(text_of(dir.file("new.po")).find("msgid \"Caf\xE9\""), std::string::npos) << text_of(dir.file("new.po"));
}

// A translation whose rule claims more forms than any language has is refused at its header, before
// any entry is given that many forms (it used to abort, or to write gigabytes).
TEST(Merge, RefusesARuleWithTooManyForms) {
    std::vector<std::string> counts{"100000000", "101"};
    // The largest number a rule may hold, where unsigned long has 64 bits (not on Windows, where it
    // does not parse at all and merge takes the default rule).
    if (sizeof(unsigned long) == 8) counts.push_back("18446744073709551615");
    for (const std::string &count : counts) {
        SCOPED_TRACE(count);
        TempDir dir;
        write_file(dir.file("de.po"), std::string("msgid \"\"\nmsgstr \"Plural-Forms: nplurals=") + count +
                                          "; plural=0;\\n\"\n" + entry("a", "Apple", "Apfel"));
        write_file(dir.file("app.pot"), template_header + "\nmsgctxt \"n\"\nmsgid \"%d file\"\nmsgid_plural \"%d files\"\n"
                                                          "msgstr[0] \"\"\nmsgstr[1] \"\"\n");
        const RunResult run = run_tool({"merge", "-o", dir.file("out.po"), dir.file("de.po"), dir.file("app.pot")});
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.err, dir.file("de.po") + ":1: error: the header's Plural-Forms has nplurals=" + count +
                               ", more than the 100 forms a PO file may have\n");
        EXPECT_FALSE(std::filesystem::exists(dir.file("out.po")));
    }
}

// An obsolete entry with a slip is an error at its line, as any other entry: -U never drops it.
TEST(Merge, AnObsoleteEntryThatDoesNotParseIsAnError) {
    TempDir dir;
    const std::string before = translation_header + entry("a", "Apple", "Apfel") + "\n#~ msgctxt \"c\"\n#~ msgid \"Cherry\n#~ msgstr \"Kirsche\"\n";
    write_file(dir.file("de.po"), before);
    write_file(dir.file("app.pot"), template_header + entry("a", "Apple", ""));
    const RunResult run = run_tool({"merge", "-U", dir.file("de.po"), dir.file("app.pot")});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, dir.file("de.po") + ":13: error: unterminated string\n");
    EXPECT_EQ(text_of(dir.file("de.po")), before);
    const RunResult compile = run_tool({"compile", "-o", dir.file("de.18c"), dir.file("de.po")});
    EXPECT_EQ(compile.status, 1);
    EXPECT_EQ(compile.err, run.err);
}

#ifndef _WIN32
// Past the file-size limit a write fails like any other: a message, status 1, the translation as it
// was and no temporary file left (the limit used to kill merge with SIGXFSZ).
TEST(Merge, AFileSizeLimitIsAFailedWrite) {
    TempDir dir;
    std::string big;
    for (int i = 0; i < 200; ++i) big += entry("k" + std::to_string(i), "A text long enough to pass the limit", "Ein Text");
    write_file(dir.file("de.po"), translation_header + big);
    write_file(dir.file("app.pot"), template_header + big);
    const std::string before = text_of(dir.file("de.po"));
    // Each command that writes what it read, with the file it writes.
    const std::vector<std::pair<std::string, std::string>> rows = {
        {"merge -U \"$1\" \"$2\"", dir.file("de.po")},
        {"merge -o \"$3\" \"$1\" \"$2\"", dir.file("out.po")},
        {"init -l de -o \"$3\" \"$2\"", dir.file("out.po")},
        {"compile -o \"$3\" \"$1\"", dir.file("out.po")},
    };
    for (const auto &[command, written] : rows) {
        SCOPED_TRACE(command);
        const RunResult run = vellix_test::run_program("/bin/sh", {"sh", "-c", "ulimit -f 4 && exec \"$0\" " + command, vellix_tool,
                                                                   dir.file("de.po"), dir.file("app.pot"), dir.file("out.po")});
        EXPECT_EQ(run.status, 1) << run.err;
        EXPECT_NE(run.err.find(vellix_tool + ": cannot write " + written + ": File too large\n"), std::string::npos) << run.err;
        EXPECT_EQ(text_of(dir.file("de.po")), before);
        EXPECT_FALSE(std::filesystem::exists(dir.file("out.po")));
        for (const auto &file : std::filesystem::directory_iterator(dir.path())) {
            EXPECT_EQ(file.path().filename().string().front() == '.', false) << "left behind: " << file.path();
        }
    }
}
#endif

TEST(Merge, UpdatesInPlace) {
    TempDir dir;
    write_file(dir.file("de.po"), translation_header + entry("a", "Apple", "Apfel"));
    write_file(dir.file("app.pot"), template_header + entry("a", "Apple", "") + entry("b", "Banana", ""));
    const RunResult run = run_tool({"merge", "-U", dir.file("de.po"), dir.file("app.pot")});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(shown(text_of(dir.file("de.po"))), (std::vector<std::string>{"a|Apple|[Apfel]|", "b|Banana|[]|"}));
    EXPECT_EQ(run_tool({"merge", dir.file("de.po")}).status, 2);
}

#ifndef _WIN32
// Every language of the table gives the rule GNU msginit writes for it, number for number.
TEST(Init, PluralRulesAgreeWithMsginit) {
    if (!std::filesystem::exists("/usr/bin/msginit")) GTEST_SKIP() << "GNU msginit is not installed";
    TempDir dir;
    write_file(dir.file("app.pot"), template_header + entry("k", "Text", ""));
    int compared = 0;
    for (const char *language : {"ja", "ko", "zh", "vi", "en", "de", "nl", "sv", "da", "nb", "es", "pt", "it", "bg", "el", "fi",
                                 "et", "he", "hu", "tr", "ca", "fr", "pt_BR", "lv", "ga", "ro", "lt", "ru", "uk", "sr", "hr",
                                 "cs", "sk", "pl", "sl", "ar", "is", "eo", "fo", "nn", "id", "th"}) {
        SCOPED_TRACE(language);
        const std::string out = dir.file(std::string(language) + ".po");
        vellix_test::run_program("/usr/bin/msginit", {"msginit", "--no-translator", std::string("--locale=") + language,
                                                      "-i", dir.file("app.pot"), "-o", out});
        if (!std::filesystem::exists(out)) continue;
        const std::string po = text_of(out);
        const std::size_t at = po.find("Plural-Forms: ");
        if (at == std::string::npos) continue;  // msginit knows no rule for it either
        std::string theirs = po.substr(at + 14, po.find("\\n\"", at) - at - 14);
        for (std::size_t quote; (quote = theirs.find("\"\n\"")) != std::string::npos;) theirs.erase(quote, 3);
        const char *ours = vellix::plural_forms_for(language);
        ASSERT_NE(ours, nullptr);
        vellix::PluralRule mine, gnu;
        std::string problem;
        ASSERT_TRUE(mine.parse(ours, problem)) << problem;
        ASSERT_TRUE(gnu.parse(theirs, problem)) << theirs << ": " << problem;
        EXPECT_EQ(mine.plural_count(), gnu.plural_count());
        for (unsigned long n = 0; n <= 1000; ++n) ASSERT_EQ(mine.form(n), gnu.form(n)) << "n = " << n;
        ++compared;
    }
    EXPECT_GT(compared, 20);
}
#endif

}  // namespace
