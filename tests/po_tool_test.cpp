// The PO side of `vellix` end to end: compile (statuses, messages, nothing written on error, the
// catalog a program then loads), export and back, check and stats on PO files.
#include "header_fields.h"
#include "po_test_support.h"
#include "test_support.h"
#include "vellix.h"

#include <gtest/gtest.h>

#include <cinttypes>

#include <filesystem>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

using vellix_test::Handle;
using vellix_test::read_file;
using vellix_test::RunResult;
using vellix_test::run_tool;
using vellix_test::TempDir;
using vellix_test::write_file;

const std::string vellix_tool = VELLIX_TOOL_PATH;
const std::string vellmake = VELLMAKE_PATH;

// Loads a catalog file the way a program does, through NLSPATH.
Handle load(const TempDir &dir, const std::string &name) {
    vellix_test::ScopedEnv search_path{"NLSPATH"};
    search_path.set(dir.file("%N"));
    return Handle{vellix_open(name.c_str())};
}

const char help_po[] =
    "# German translation\n"
    "msgid \"\"\n"
    "msgstr \"\"\n"
    "\"Content-Type: text/plain; charset=UTF-8\\n\"\n"
    "\n"
    "#: src/main.c:42\n"
    "#, c-format\n"
    "msgid \"\"\n"
    "\"Usage: %s [OPTION]... FILE\\n\"\n"
    "\"\\n\"\n"
    "\"  -o OUTPUT   write OUTPUT\\n\"\n"
    "msgstr \"\"\n"
    "\"Aufruf: %s [OPTION]... DATEI\\n\"\n"
    "\"\\n\"\n"
    "\"  -o AUSGABE  schreibt AUSGABE\\n\"\n"
    "\n"
    "msgctxt \"menu\"\n"
    "msgid \"-Open\"\n"
    "msgstr \"#Öffnen\"\n";

// A format built with an <inttypes.h> macro, from the code to the program's lookup: extract writes
// it as xgettext does, compile expands it as this platform's header does (or as --target's does).
TEST(PoCompile, IntTypesMacrosFromCodeToLookup) {
    TempDir dir;
    write_file(dir.file("a.c"), "printf(vellix_get(h, \"size\", \"%\" PRIu64 \" bytes\"), size);\n");
    const RunResult extracted = run_tool({"extract", "-o", dir.file("app.pot"), dir.file("a.c")});
    ASSERT_EQ(extracted.status, 0) << extracted.err;
    const vellix_test::Bytes pot = vellix_test::read_file(dir.file("app.pot"));
    const std::string po(pot.begin(), pot.end());
    const std::string entry = "#, c-format\nmsgctxt \"size\"\nmsgid \"%<PRIu64> bytes\"\nmsgstr \"\"\n";
    ASSERT_NE(po.find(entry), std::string::npos) << po;
    std::string translated = po;
    translated.replace(translated.find(entry), entry.size(), "#, c-format\nmsgctxt \"size\"\nmsgid \"%<PRIu64> bytes\"\nmsgstr \"%<PRIu64> Bytes\"\n");
    write_file(dir.file("de.po"), translated);
    const std::pair<std::vector<std::string>, std::string> rows[] = {
        {{}, std::string("%") + PRIu64 + " Bytes"},
        {{"--target=windows"}, "%llu Bytes"},
        {{"--target=x86_64-linux-gnu"}, "%lu Bytes"},
    };
    for (const auto &[options, looked_up] : rows) {
        std::vector<std::string> arguments{"compile", "-o", dir.file("app.18c")};
        arguments.insert(arguments.end(), options.begin(), options.end());
        arguments.push_back(dir.file("de.po"));
        const RunResult run = run_tool(arguments);
        ASSERT_EQ(run.status, 0) << run.err;
        const Handle catalog = load(dir, "app");
        ASSERT_NE(catalog, nullptr);
        EXPECT_STREQ(vellix_get(catalog.get(), "size", nullptr), looked_up.c_str());
    }
    EXPECT_EQ(run_tool({"compile", "--target=amiga", "-o", dir.file("app.18c"), dir.file("de.po")}).status, 2);
}

// A Latin-1 file whose texts take twice the bytes in UTF-8: the entries outgrow the file they came from.
TEST(PoCompile, EntriesLargerThanTheirFileAfterConversion) {
    TempDir dir;
    const std::string latin(3000, '\xE9');
    std::string utf8;
    for (std::size_t i = 0; i < latin.size(); ++i) utf8 += "\xC3\xA9";
    write_file(dir.file("fr.po"), "msgid \"\"\nmsgstr \"Content-Type: text/plain; charset=ISO-8859-1\\n\"\n\nmsgid \"" + latin +
                                      "\"\nmsgstr \"" + latin + "\"\n");
    const RunResult run = run_tool({"compile", "-o", dir.file("app.18c"), dir.file("fr.po")});
    ASSERT_EQ(run.status, 0) << run.err;
    const Handle catalog = load(dir, "app");
    ASSERT_NE(catalog, nullptr);
    EXPECT_STREQ(vellix_get(catalog.get(), utf8.c_str(), nullptr), utf8.c_str());
    EXPECT_STREQ(vellix_get(catalog.get(), "", nullptr), "Content-Type: text/plain; charset=UTF-8\n");
#ifndef _WIN32
    // A FIFO is written in place, so its entries are gathered first, in a block that must grow past
    // the file's size: the same bytes. (Its reader is open before the compile, and the catalog fits
    // in the FIFO's buffer, so nothing waits.)
    ASSERT_EQ(mkfifo(dir.file("out.fifo").c_str(), 0600), 0);
    const int reader = open(dir.file("out.fifo").c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    const RunResult piped = run_tool({"compile", "-o", dir.file("out.fifo"), dir.file("fr.po")});
    EXPECT_EQ(piped.status, 0) << piped.err;
    std::string through_fifo;
    char block[4096];
    for (ssize_t got; (got = read(reader, block, sizeof block)) > 0;) through_fifo.append(block, static_cast<std::size_t>(got));
    close(reader);
    const vellix_test::Bytes written = vellix_test::read_file(dir.file("app.18c"));
    EXPECT_EQ(through_fifo, std::string(written.begin(), written.end()));
#endif
}

#ifndef _WIN32
// A PO file of megabytes is read a piece at a time; read from a FIFO, it is read whole. Both give the
// same catalog, and the same findings on the same lines, however the pieces fall.
TEST(PoCompile, ALargeFileReadInPiecesIsReadAsAWholeOne) {
    // About 5 MB in the charset named; a file in another charset than UTF-8 is converted whole.
    const auto large_po = [](const std::string &charset, const std::string &sharp_s, std::size_t &lines, const std::string &fields = "") {
        std::string po = "msgid \"\"\nmsgstr \"Content-Type: text/plain; charset=" + charset + "\\n\"\n" + fields;
        lines = 2 + (fields.empty() ? 0 : 1);
        for (int i = 0; po.size() < (std::size_t{5} << 20); ++i) {
            const std::string n = std::to_string(i);
            po += "\n#: src/dialogs/settings" + n + ".c:" + n + "\nmsgid \"dialog.settings.field." + n + "\"\nmsgstr \"\"\n\"Die Einstellung " +
                  n + " wird \\\"gespeichert\\\",\\n\"\n\"sobald das Fenster schlie" + sharp_s + "t.\"\n";
            lines += 6;
        }
        return po;
    };
    std::size_t lines = 0, latin_lines = 0;
    const std::string po = large_po("UTF-8", "\xC3\x9F", lines);
    struct Row {
        const char *name;
        std::string po;
        int status;
        std::string err;  // with @ for the file's path
    };
    const Row rows[] = {
        {"clean", po, 0, ""},
        {"in ISO-8859-1", large_po("ISO-8859-1", "\xDF", latin_lines), 0, ""},
        // Said once the whole file is read, when no entry turned out to need the rule.
        {"a Plural-Forms that does not parse", large_po("UTF-8", "\xC3\x9F", latin_lines, "\"Plural-Forms: nplurals=2; plural=n >;\\n\"\n"), 0,
         "@:1: warning: the header's Plural-Forms does not parse: the plural expression does not parse: the expression ends too soon; no "
         "entry has plural forms\n"},
        {"a duplicate of the first key at the end", po + "\nmsgid \"dialog.settings.field.0\"\nmsgstr \"x\"\n", 1,
         "@:" + std::to_string(lines + 2) + ": error: duplicate key 'dialog.settings.field.0'\n@:5: note: first defined here\n"},
        {"a syntax error at the end", po + "\nmsgid \"last\"\nmsgstr \"\\q\"\n", 1,
         "@:" + std::to_string(lines + 3) + ": error: invalid escape sequence '\\q'\n"},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        TempDir dir;
        write_file(dir.file("de.po"), row.po);
        const RunResult pieces = run_tool({"compile", "-o", dir.file("pieces.18c"), dir.file("de.po")});
        ASSERT_EQ(mkfifo(dir.file("fifo.po").c_str(), 0600), 0);
        std::thread writer([&] { write_file(dir.file("fifo.po"), row.po); });
        const RunResult whole = run_tool({"compile", "-o", dir.file("whole.18c"), dir.file("fifo.po")});
        writer.join();
        for (const auto &[run, path] : {std::make_pair(&pieces, dir.file("de.po")), std::make_pair(&whole, dir.file("fifo.po"))}) {
            EXPECT_EQ(run->status, row.status) << path;
            std::string expected = row.err;
            for (std::size_t at = expected.find('@'); at != std::string::npos; at = expected.find('@', at)) expected.replace(at, 1, path);
            EXPECT_EQ(run->err, expected);
        }
        EXPECT_EQ(pieces.out, whole.out);
        if (row.status == 0) {
            EXPECT_EQ(read_file(dir.file("pieces.18c")), read_file(dir.file("whole.18c")));
        } else {
            EXPECT_FALSE(std::filesystem::exists(dir.file("pieces.18c")));
        }
    }
}
#endif

TEST(PoCompile, MultiLineMessagesLoadAndLookUp) {
    TempDir dir;
    write_file(dir.file("de.po"), help_po);
    const RunResult run = run_tool({"compile", "-o", dir.file("app.18c"), dir.file("de.po")});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "3 entries\n");
    const Handle catalog = load(dir, "app");
    ASSERT_NE(catalog, nullptr);
    EXPECT_STREQ(vellix_get(catalog.get(), "Usage: %s [OPTION]... FILE\n\n  -o OUTPUT   write OUTPUT\n", nullptr),
                 "Aufruf: %s [OPTION]... DATEI\n\n  -o AUSGABE  schreibt AUSGABE\n");
    EXPECT_STREQ(vellix_get(catalog.get(), "menu\004-Open", nullptr), "#Öffnen");
    EXPECT_STREQ(vellix_get(catalog.get(), "", nullptr), "Content-Type: text/plain; charset=UTF-8\n");
}

TEST(PoCompile, ErrorsNameFileAndLineAndWriteNothing) {
    struct Row {
        const char *name;
        std::string po;
        std::string messages;  // with @ for the file's path
    };
    const Row rows[] = {
        {"syntax error", "msgid \"a\"\nmsgstr \"b\n", "@:2: error: unterminated string\n"},
        {"duplicate", "msgid \"a\"\nmsgstr \"b\"\n\nmsgid \"a\"\nmsgstr \"c\"\n",
         "@:4: error: duplicate key 'a'\n@:1: note: first defined here\n"},
        {"charset", "msgid \"\"\nmsgstr \"Content-Type: text/plain; charset=NO-SUCH-CHARSET\\n\"\n",
         "@:2: error: the charset NO-SUCH-CHARSET is unknown to this system's converter: convert the file to UTF-8 (msgconv "
         "--to-code=UTF-8 FILE); it cannot be read character by character, even to keep its bytes\n"},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        TempDir dir;
        write_file(dir.file("de.po"), row.po);
        const RunResult run = run_tool({"compile", "-o", dir.file("app.18c"), dir.file("de.po")});
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.out, "");
        std::string expected = row.messages;
        for (std::size_t at = expected.find('@'); at != std::string::npos; at = expected.find('@', at)) {
            expected.replace(at, 1, dir.file("de.po"));
        }
        EXPECT_EQ(run.err, expected);
        // Nothing at all: no catalog, and no temporary file it was being written into.
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), std::filesystem::directory_iterator()), 1);
    }
}

TEST(PoCompile, UsageErrorsExitTwo) {
    for (const std::vector<std::string> &arguments : std::vector<std::vector<std::string>>{
             {"compile", "de.po"}, {"compile", "-o"}, {"compile", "-o", "x.18c"}, {"compile", "--keys=other", "-o", "x", "de.po"},
             {"compile", "-o", "x", "a.po", "b.po"}}) {
        const RunResult run = run_tool(arguments);
        EXPECT_EQ(run.status, 2) << arguments.back();
        EXPECT_NE(run.err.find("Try 'vellix --help'"), std::string::npos) << run.err;
    }
}

TEST(PoCompile, SourcesCompileAsVellmakeCompilesThem) {
    TempDir dir;
    write_file(dir.file("de.src"), "stray\n-k\nv\n-j\n");
    const RunResult tool = run_tool({"compile", "-o", dir.file("tool.18c"), dir.file("de.src")});
    const RunResult compiler = vellix_test::run_program(vellmake, {"vellix", dir.file("make.18c"), dir.file("de.src")});
    EXPECT_EQ(tool.status, compiler.status);
    // vellmake keeps its own line; vellix counts in English.
    EXPECT_EQ(compiler.out, "1 entries\n");
    EXPECT_EQ(tool.out, "1 entry\n");
    EXPECT_EQ(tool.err, compiler.err);
    EXPECT_EQ(read_file(dir.file("tool.18c")), read_file(dir.file("make.18c")));
}

TEST(PoExport, CompilesBackToTheSameEntries) {
    TempDir dir;
    write_file(dir.file("en.src"), "-greeting\nHello, world!\n-help\nUsage: app FILE. A long help text that runs past the "
                                   "seventy-nine columns of a PO line and is wrapped.\n-q\nSay \"hi\" \\o/\n-gone\nOld\n");
    write_file(dir.file("de.src"), "-greeting\nHallo, Welt!\n-help\nAufruf: app DATEI. Ein langer Hilfetext, der über die "
                                   "neunundsiebzig Spalten einer PO-Zeile hinausgeht.\n-q\nSag \"hallo\" \\o/\n-new\nNeu\n");
    const RunResult exported = run_tool({"export", "--reference", dir.file("en.src"), dir.file("de.src")});
    ASSERT_EQ(exported.status, 0) << exported.err;
    EXPECT_NE(exported.out.find("\n# not in the reference: msgid is this translation's own text\nmsgctxt \"new\"\n"),
              std::string::npos)
        << exported.out;
    write_file(dir.file("de.po"), exported.out);
    ASSERT_EQ(run_tool({"compile", "-o", dir.file("de.18c"), dir.file("de.po")}).status, 0);
    ASSERT_EQ(vellix_test::run_program(vellmake, {"vellmake", dir.file("src.18c"), dir.file("de.src")}).status, 0);
    const Handle from_po = load(dir, "de");
    const Handle from_source = load(dir, "src");
    ASSERT_NE(from_po, nullptr);
    ASSERT_NE(from_source, nullptr);
    for (char **key = from_source->index; *key; ++key) {
        SCOPED_TRACE(*key);
        EXPECT_STREQ(vellix_get(from_po.get(), *key, nullptr), vellix_get(from_source.get(), *key, nullptr));
    }
    EXPECT_EQ(vellix_get(from_po.get(), "gone", nullptr), nullptr) << "untranslated in the export";
    const RunResult check = run_tool({"check", "--against", dir.file("en.src"), dir.file("de.po")});
    EXPECT_EQ(check.status, 0) << check.out;
}

// A PO file checked against a reference: the keys it adds warn, the keys it lacks fail, each named
// where an editor finds it.
TEST(PoCheck, KeysMissingFromOrExtraToTheReference) {
    TempDir dir;
    const std::string header = "msgid \"\"\nmsgstr \"X-Vellix-Keys: msgctxt\\n\"\n";
    const auto entry = [](const char *key) { return std::string("\nmsgctxt \"") + key + "\"\nmsgid \"T\"\nmsgstr \"t\"\n"; };
    write_file(dir.file("ref.po"), header + entry("a") + entry("b"));
    write_file(dir.file("de.po"), header + entry("a") + entry("c"));
    const RunResult run = run_tool({"check", "--against", dir.file("ref.po"), dir.file("de.po")});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, dir.file("de.po") + ":8: warning: key 'c' is not in the reference\n" + dir.file("de.po") +
                           ": warning: key 'b' of the reference is missing\n" + dir.file("ref.po") +
                           ":8: note: the reference defines it here\n");
}

TEST(PoPlurals, ListedExportedAndCompiledBackAsOneEntryWithItsForms) {
    TempDir dir;
    const std::string rule = "nplurals=3; plural=n==1 ? 0 : n%10>=2 && n%10<=4 && (n%100<10 || n%100>=20) ? 1 : 2;";
    write_file(dir.file("en.po"), "msgid \"\"\nmsgstr \"X-Vellix-Keys: msgctxt\\n\"\n\nmsgctxt \"files\"\nmsgid \"%lu file\"\n"
                                  "msgid_plural \"%lu files\"\nmsgstr[0] \"%lu file\"\nmsgstr[1] \"%lu files\"\n");
    write_file(dir.file("pl.po"), "msgid \"\"\nmsgstr \"Plural-Forms: " + rule + "\\nX-Vellix-Keys: msgctxt\\n\"\n\n"
                                  "msgctxt \"files\"\nmsgid \"%lu file\"\nmsgid_plural \"%lu files\"\nmsgstr[0] \"%lu plik\"\n"
                                  "msgstr[1] \"%lu pliki\"\nmsgstr[2] \"%lu plików\"\n");
    ASSERT_EQ(run_tool({"compile", "-o", dir.file("en.18c"), dir.file("en.po")}).status, 0);
    ASSERT_EQ(run_tool({"compile", "-o", dir.file("pl.18c"), dir.file("pl.po")}).status, 0);
    const RunResult listed = run_tool({"dump", "--list", dir.file("pl.18c")});
    EXPECT_NE(listed.out.find("\n1\t5\t8\tfiles\t%lu plik\tform 1: %lu pliki\tform 2: %lu plik\\xC3\\xB3w\n"), std::string::npos)
        << listed.out;
    EXPECT_EQ(listed.out.find("files\\x0A#1"), std::string::npos) << "a form's own entry is not listed";

    const RunResult exported = run_tool({"export", "--reference", dir.file("en.18c"), dir.file("pl.18c")});
    ASSERT_EQ(exported.status, 0) << exported.err;
    // The header carries the rule (its line wrapped as msgcat wraps it).
    EXPECT_EQ(vellix::header_field(vellix_test::po_header_text(exported.out), "Plural-Forms"), rule) << exported.out;
    EXPECT_NE(exported.out.find("msgctxt \"files\"\nmsgid \"%lu file\"\nmsgid_plural \"%lu files\"\nmsgstr[0] \"%lu plik\"\n"
                                "msgstr[1] \"%lu pliki\"\nmsgstr[2] \"%lu plików\"\n"),
              std::string::npos)
        << exported.out;
    write_file(dir.file("back.po"), exported.out);
    ASSERT_EQ(run_tool({"compile", "-o", dir.file("back.18c"), dir.file("back.po")}).status, 0);
    const Handle back = load(dir, "back");
    ASSERT_NE(back, nullptr);
    for (const auto &[n, text] : std::vector<std::pair<unsigned long, std::string>>{{1, "%lu plik"}, {22, "%lu pliki"}, {25, "%lu plików"}}) {
        EXPECT_EQ(vellix_nget(back.get(), "files", n, "one", "many"), text) << n;
    }
}

TEST(PoStats, OneLinePerFileAndATotal) {
    TempDir dir;
    write_file(dir.file("a.po"), "msgid \"a\"\nmsgstr \"A\"\n\n#, fuzzy\nmsgid \"b\"\nmsgstr \"B\"\n\nmsgid \"c\"\nmsgstr \"\"\n");
    write_file(dir.file("b.pot"), "msgid \"a\"\nmsgstr \"\"\n");
    const RunResult run = run_tool({"stats", dir.file("a.po"), dir.file("b.pot")});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, dir.file("a.po") + ": 1 translated (33%), 1 fuzzy (33%), 1 untranslated (33%)\n" + dir.file("b.pot") +
                           ": 0 translated (0%), 0 fuzzy (0%), 1 untranslated (100%)\ntotal: 1 translated (25%), 1 fuzzy "
                           "(25%), 2 untranslated (50%)\n");
    // A plural entry with one empty form counts as untranslated, and check names the form.
    write_file(dir.file("c.po"), "msgid \"a\"\nmsgstr \"A\"\n\nmsgid \"f\"\nmsgid_plural \"fs\"\nmsgstr[0] \"D\"\nmsgstr[1] \"\"\n");
    const RunResult partial = run_tool({"stats", dir.file("c.po")});
    EXPECT_EQ(partial.out, dir.file("c.po") + ": 1 translated (50%), 0 fuzzy (0%), 1 untranslated (50%)\n");
    EXPECT_EQ(run_tool({"check", dir.file("c.po")}).out, dir.file("c.po") + ":6: warning: msgstr[1] is empty: the entry counts as untranslated and is left out, "
                                              "so that every number shows the source text\n");
}

// The gates a release build can fail on: a share of translated entries, and every template key
// translated and reviewed.
TEST(PoGates, FailOnAnIncompleteTranslation) {
    TempDir dir;
    // 3 of 4 translated (75%): one fuzzy; the template has a key the translation lacks.
    write_file(dir.file("de.po"), "msgid \"a\"\nmsgstr \"A\"\n\nmsgid \"b\"\nmsgstr \"B\"\n\nmsgid \"c\"\nmsgstr \"C\"\n\n"
                                  "#, fuzzy\nmsgid \"d\"\nmsgstr \"D\"\n");
    write_file(dir.file("fr.po"), "msgid \"a\"\nmsgstr \"A\"\n\nmsgid \"f\"\nmsgid_plural \"fs\"\nmsgstr[0] \"F\"\nmsgstr[1] \"\"\n");
    write_file(dir.file("full.po"), "msgid \"a\"\nmsgstr \"A\"\n\nmsgid \"b\"\nmsgstr \"B\"\n");
    write_file(dir.file("app.pot"), "msgid \"a\"\nmsgstr \"\"\n\nmsgid \"b\"\nmsgstr \"\"\n");
    const std::string de = dir.file("de.po"), fr = dir.file("fr.po"), full = dir.file("full.po"), pot = dir.file("app.pot");
    const struct Row {
        std::vector<std::string> arguments;
        int status;
        std::string said;  // in what the command prints, standard output and error together
    } rows[] = {
        {{"stats", "--fail-under=75", de}, 0, ""},
        {{"stats", "--fail-under=76", de}, 1, de + ": 75% translated, under the 76% asked for: 1 fuzzy, 0 untranslated"},
        {{"stats", "--fail-under", "100%", full}, 0, ""},
        // An empty plural form is untranslated: 1 of 2.
        {{"stats", "--fail-under=51", full, fr}, 1, fr + ": 50% translated, under the 51% asked for: 0 fuzzy, 1 untranslated"},
        {{"stats", "--fail-under=0", pot}, 0, ""},
        {{"stats", "--fail-under=101", de}, 2, "--fail-under takes a PERCENT from 0 to 100, not '101'"},
        {{"stats", "--fail-under=-5", de}, 2, "not '-5'"},
        {{"check", "--complete", "--against", pot, full}, 0, ""},
        // Without --complete, keys the template lacks are worth a warning, and fuzzy ones nothing.
        {{"check", "--against", pot, de}, 0, "warning: key 'd' is not in the reference"},
        {{"check", "--complete", de}, 1, de + ":11: error: key 'd' is fuzzy: review its translation and remove the fuzzy flag"},
        {{"check", "--complete", fr}, 1, fr + ":4: error: key 'f' is untranslated"},
        {{"check", "--complete", "--against", dir.file("de.po"), fr}, 1, "warning: key 'b' of the reference is missing"},
    };
    for (const Row &row : rows) {
        std::string line;
        for (const std::string &word : row.arguments) line += word + " ";
        SCOPED_TRACE(line);
        const RunResult run = run_tool(row.arguments);
        EXPECT_EQ(run.status, row.status) << run.out << run.err;
        EXPECT_NE((run.out + run.err).find(row.said), std::string::npos) << run.out << run.err;
        if (row.status == 0) {
            EXPECT_EQ(run.err, "");
        }
    }
    // Without the gate, the same incomplete file passes.
    EXPECT_EQ(run_tool({"check", de}).status, 0);
    EXPECT_EQ(run_tool({"stats", de}).status, 0);
}

}  // namespace
