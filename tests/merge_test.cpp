// `vellix merge`: the merge of a changed template into a translation case by case, the same result
// as GNU msgmerge --previous where it is installed, and the merges it refuses.
#include "header_fields.h"
#include "merge_test_support.h"
#include "po_test_support.h"
#include "plural_table.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace {

using vellix_test::entry;
using vellix_test::RunResult;
using vellix_test::run_tool;
using vellix_test::shown;
using vellix_test::template_header;
using vellix_test::text_of;
using vellix_test::TempDir;
using vellix_test::translation_header;
using vellix_test::write_file;

const std::string vellix_tool = VELLIX_TOOL_PATH;

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

// A merge larger than the pieces a file is written in: the file -o writes is the text merge prints,
// and the entries that became obsolete lose their references.
TEST(Merge, ALargeMergeWrittenToAFileIsTheTextItPrints) {
    TempDir dir;
    constexpr int count = 12000, kept = 11000;
    std::string translation, fresh;
    for (int i = 0; i < count; ++i) {
        const std::string n = std::to_string(i);
        const std::string reference = "#: src/module/file" + n + ".c:" + n + "\n";
        // Keys as long as real dotted ones, which a lookup must compare whole.
        const std::string key = "dialog.settings.page." + n + ".label";
        translation += entry(key, "The source text of message " + n + " in the program",
                             "Der übersetzte Text der Meldung " + n + " im Programm", reference);
        if (i < kept) fresh += entry(key, "The source text of message " + n + " in the program", "", reference);
    }
    write_file(dir.file("de.po"), translation_header + translation);
    write_file(dir.file("app.pot"), template_header + fresh);
    const RunResult printed = run_tool({"merge", "--force", dir.file("de.po"), dir.file("app.pot")});
    ASSERT_EQ(printed.status, 0) << printed.err;
    ASSERT_GT(printed.out.size(), std::size_t{1} << 20);  // more than one piece
    const RunResult written = run_tool({"merge", "--force", "-o", dir.file("out.po"), dir.file("de.po"), dir.file("app.pot")});
    ASSERT_EQ(written.status, 0) << written.err;
    EXPECT_TRUE(text_of(dir.file("out.po")) == printed.out) << "the file differs from the printed text";
    std::size_t references = 0;
    for (std::size_t at = printed.out.find("\n#: "); at != std::string::npos; at = printed.out.find("\n#: ", at + 1)) ++references;
    EXPECT_EQ(references, std::size_t{kept});
    EXPECT_EQ(shown(printed.out).size(), std::size_t{count});
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
    EXPECT_EQ(vellix::charset_of(vellix::header_field(vellix_test::po_header_text(text_of(dir.file("new.po"))), "Content-Type")),
              "ISO-8859-1");
    EXPECT_EQ(run_tool({"check", dir.file("new.po")}).status, 0);
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

// The translation keeps its rule; a template whose rule is not the language's is said once.
TEST(Merge, SaysWhenTheTemplatesRuleIsNotTheLanguages) {
    const std::string plural_entry = "\nmsgctxt \"n\"\nmsgid \"%d file\"\nmsgid_plural \"%d files\"\nmsgstr[0] \"\"\nmsgstr[1] \"\"\n";
    const struct {
        const char *template_rule;  // "" for none
        bool said;
    } rows[] = {{"", false}, {"nplurals=2; plural=(n != 1);", false}, {"nplurals=2; plural=(n > 1);", true},
                {"nplurals=1; plural=0;", true}};
    for (const auto &row : rows) {
        SCOPED_TRACE(row.template_rule);
        TempDir dir;
        write_file(dir.file("de.po"), translation_header + entry("a", "Apple", "Apfel") + entry("b", "Pear", "Birne"));
        const std::string rule_line = *row.template_rule ? std::string("\"Plural-Forms: ") + row.template_rule + "\\n\"\n" : "";
        write_file(dir.file("app.pot"), template_header + rule_line + entry("a", "Apple", "") + entry("b", "Pear", "") + plural_entry);
        const RunResult run = run_tool({"merge", "-o", dir.file("out.po"), dir.file("de.po"), dir.file("app.pot")});
        EXPECT_EQ(run.status, 0) << run.err;
        const std::size_t said = run.err.find("warning: the template's Plural-Forms is not the rule for de");
        EXPECT_EQ(said != std::string::npos, row.said) << run.err;
        if (row.said) {
            EXPECT_EQ(run.err.find("warning:", said + 1), std::string::npos) << "said once";
        }
        EXPECT_NE(text_of(dir.file("out.po")).find("Plural-Forms: nplurals=2; plural=(n != 1);"), std::string::npos);
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


// A new key whose texts an obsolete entry has (a renamed key) takes its translation, fuzzy; a
// template that would put most translations aside is refused; a merge says what it did.
TEST(Merge, RenamedKeysAndTheMergesItRefuses) {
    const std::string plural = "\nmsgctxt \"n\"\nmsgid \"%d file\"\nmsgid_plural \"%d files\"\nmsgstr[0] \"Datei\"\nmsgstr[1] \"Dateien\"\n";
    const struct Row {
        const char *name;
        std::string translation, fresh;
        std::vector<std::string> options;
        int status;
        std::vector<std::string> merged;  // when written
        std::string said;
    } rows[] = {
        {"a renamed key", entry("a", "Apple", "Apfel") + entry("b", "Banana", "Banane"), entry("a", "Apple", "") + entry("c", "Banana", ""),
         {}, 0, {"a|Apple|[Apfel]|", "c|Banana|[Banane]|fuzzy;", "~b|Banana|[Banane]|"}, "1 kept, 1 fuzzy, 0 new, 1 obsolete"},
        {"without memory", entry("a", "Apple", "Apfel") + entry("b", "Banana", "Banane"), entry("a", "Apple", "") + entry("c", "Banana", ""),
         {"--no-memory"}, 0, {"a|Apple|[Apfel]|", "c|Banana|[]|", "~b|Banana|[Banane]|"}, "1 kept, 0 fuzzy, 1 new, 1 obsolete"},
        {"from an entry obsolete before", entry("a", "Apple", "Apfel") + "\n#~ msgctxt \"b\"\n#~ msgid \"Banana\"\n#~ msgstr \"Banane\"\n",
         entry("a", "Apple", "") + entry("c", "Banana", ""), {}, 0, {"a|Apple|[Apfel]|", "c|Banana|[Banane]|fuzzy;", "~b|Banana|[Banane]|"},
         "1 kept, 1 fuzzy, 0 new, 0 obsolete"},
        {"never across plural shapes", entry("a", "Apple", "Apfel") + plural, entry("a", "Apple", "") + entry("c", "%d file", ""), {}, 0,
         {"a|Apple|[Apfel]|", "c|%d file|[]|", "~n|%d file/%d files|[Datei][Dateien]|"}, "1 kept, 0 fuzzy, 1 new, 1 obsolete"},
        {"every key renamed", entry("a", "Apple", "Apfel") + entry("b", "Banana", "Banane"), entry("x", "Apple", "") + entry("y", "Banana", ""),
         {}, 0, {"x|Apple|[Apfel]|fuzzy;", "y|Banana|[Banane]|fuzzy;", "~a|Apple|[Apfel]|", "~b|Banana|[Banane]|"},
         "0 kept, 2 fuzzy, 0 new, 2 obsolete"},
        {"a template without entries", entry("a", "Apple", "Apfel"), "", {}, 1, {}, "has no entries: merging it would make every entry of"},
        {"half the translations aside is no mistake yet", entry("a", "Apple", "Apfel") + entry("b", "Banana", "Banane") + entry("c", "Cherry", ""),
         entry("a", "Apple", "") + entry("d", "Date", ""), {}, 0, {"a|Apple|[Apfel]|", "d|Date|[]|", "~b|Banana|[Banane]|", "~c|Cherry|[]|"},
         "1 kept, 0 fuzzy, 1 new, 2 obsolete"},
        {"all translations aside", entry("a", "Apple", "Apfel") + entry("b", "Banana", "Banane"), entry("d", "Date", ""), {}, 1, {},
         "2 of the 2 translated entries of @ would become obsolete, as # lacks their keys. Nothing is written; check that it is the "
         "right template, or give --force"},
        {"all translations aside, forced", entry("a", "Apple", "Apfel") + entry("b", "Banana", "Banane"), entry("d", "Date", ""),
         {"--force"}, 0, {"d|Date|[]|", "~a|Apple|[Apfel]|", "~b|Banana|[Banane]|"}, "0 kept, 0 fuzzy, 1 new, 2 obsolete"},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        TempDir dir;
        const std::string translation = dir.file("de.po"), fresh = dir.file("app.pot");
        write_file(translation, translation_header + row.translation);
        write_file(fresh, template_header + row.fresh);
        std::vector<std::string> arguments{"merge", "-o", dir.file("out.po")};
        arguments.insert(arguments.end(), row.options.begin(), row.options.end());
        arguments.push_back(translation);
        arguments.push_back(fresh);
        const RunResult run = run_tool(arguments);
        std::string said = row.status == 0 ? "vellix: " + translation + ": " + row.said + "\n" : row.said;
        if (said.find('@') != std::string::npos) said.replace(said.find('@'), 1, translation);
        if (said.find('#') != std::string::npos) said.replace(said.find('#'), 1, fresh);
        EXPECT_EQ(run.status, row.status) << run.err;
        EXPECT_NE(run.err.find(said), std::string::npos) << run.err;
        if (row.status != 0) {
            EXPECT_FALSE(std::filesystem::exists(dir.file("out.po")));
            continue;
        }
        EXPECT_EQ(shown(text_of(dir.file("out.po"))), row.merged);
    }
    // The translation a renamed key takes says where it came from.
    TempDir dir;
    write_file(dir.file("de.po"), translation_header + entry("b", "Banana", "Banane", "# ripe\n"));
    write_file(dir.file("app.pot"), template_header + entry("c", "Banana", ""));
    const RunResult run = run_tool({"merge", dir.file("de.po"), dir.file("app.pot")});
    EXPECT_NE(run.out.find("# ripe\n# the translation of the key 'b', whose text was the same\n#, fuzzy\nmsgctxt \"c\""), std::string::npos)
        << run.out;
}

}  // namespace
