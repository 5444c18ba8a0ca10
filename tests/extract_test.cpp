// `vellix extract` end to end: the template it writes, its findings and statuses, and the same
// entries as GNU xgettext with the same keywords where xgettext is installed.
#include "po_reader.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <string>
#include <vector>

namespace {

using vellix_test::RunResult;
using vellix_test::run_tool;
using vellix_test::TempDir;
using vellix_test::write_file;

const std::string vellix_tool = VELLIX_TOOL_PATH;

// The entries of a PO text, header left out, as "context|id|plural" in file order.
struct Entries : vellix::PoSink {
    std::vector<std::string> seen;
    void message(const vellix::PoMessage &message) override {
        if (message.is_header()) return;
        seen.push_back(message.context + "|" + message.id + (message.has_plural ? "|" + message.plural_id : ""));
    }
    void syntax_error(std::uint64_t line, const std::string &text) override { seen.push_back("error " + std::to_string(line) + text); }
};

std::vector<std::string> entries_of(const std::string &po) {
    Entries entries;
    vellix::read_po(po.data(), po.size(), entries);
    return entries.seen;
}

TEST(Extract, WritesATemplateWithReferencesCommentsAndFlags) {
    TempDir dir;
    write_file(dir.file("a.c"), "// TRANSLATORS: the title\nputs(vellix_get(h, \"title\", \"My App\"));\n"
                                "printf(vellix_nget(h, \"files\", n, \"%d file\", \"%d files\"), n);\n");
    write_file(dir.file("b.cpp"), "auto t = vellix_get(h, \"title\", \"My App\");\nauto m = TR(\"menu\", \"Open\");\n");
    const RunResult run = run_tool({"extract", "--add-comments=TRANSLATORS:", "--keyword=TR:1,2", "-o", dir.file("app.pot"),
                                    dir.file("a.c"), dir.file("b.cpp")});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "");
    const vellix_test::Bytes bytes = vellix_test::read_file(dir.file("app.pot"));
    const std::string po(bytes.begin(), bytes.end());
    EXPECT_NE(po.find("\"X-Vellix-Keys: msgctxt\\n\"\n"), std::string::npos);
    // The references may wrap (temporary paths are long on Windows): both must stand in the entry.
    const std::size_t comment = po.find("\n#. TRANSLATORS: the title\n#: ");
    const std::size_t fields = po.find("msgctxt \"title\"\nmsgid \"My App\"\nmsgstr \"\"\n");
    ASSERT_NE(comment, std::string::npos) << po;
    ASSERT_NE(fields, std::string::npos) << po;
    const std::string references = po.substr(comment, fields - comment);
    EXPECT_NE(references.find(dir.file("a.c") + ":2"), std::string::npos) << po;
    EXPECT_NE(references.find(dir.file("b.cpp") + ":1"), std::string::npos) << po;
    EXPECT_NE(po.find("#, c-format\nmsgctxt \"files\"\nmsgid \"%d file\"\nmsgid_plural \"%d files\"\nmsgstr[0] \"\"\nmsgstr[1] \"\"\n"),
              std::string::npos)
        << po;
    EXPECT_EQ(entries_of(po), (std::vector<std::string>{"title|My App", "files|%d file|%d files", "menu|Open"}));
    // The template compiles (it has no translations: only its header) and checks clean.
    EXPECT_EQ(run_tool({"compile", "-o", dir.file("app.18c"), dir.file("app.pot")}).out, "1 entry\n");
}

// Enough entries that the template is written in parts on several threads: every entry once, in
// the order of the calls, across the parts' seams.
TEST(Extract, ATemplateWrittenInPartsHasEveryEntryInOrder) {
    TempDir dir;
    constexpr int count = 4999;
    std::string code, first_file;
    std::vector<std::string> expected;
    for (int i = 0; i < count; ++i) {
        const std::string key = "k" + std::to_string(i);
        (i < count / 3 ? first_file : code) += "puts(vellix_get(h, \"" + key + "\", \"Text " + std::to_string(i) + "\"));\n";
        expected.push_back(key + "|Text " + std::to_string(i));
    }
    write_file(dir.file("a.c"), first_file);
    write_file(dir.file("b.c"), code);
    const RunResult run = run_tool({"extract", "-o", dir.file("app.pot"), dir.file("a.c"), dir.file("b.c")});
    ASSERT_EQ(run.status, 0) << run.err;
    const vellix_test::Bytes bytes = vellix_test::read_file(dir.file("app.pot"));
    EXPECT_EQ(entries_of(std::string(bytes.begin(), bytes.end())), expected);
}

// Every built-in keyword, every argument in its place: the key, the text and the plural text.
TEST(Extract, EveryBuiltInKeywordAndEachOfItsArguments) {
    struct Row {
        const char *call;
        std::string entry;  // "key|text" or "key|singular|plural"
    };
    const Row rows[] = {
        {"vellix_get(h, \"k1\", \"Text one\")", "k1|Text one"},
        {"vellix_index_get(ix, \"k2\", \"Text two\")", "k2|Text two"},
        {"vellix_nget(h, \"k3\", n, \"%d file\", \"%d files\")", "k3|%d file|%d files"},
        {"vellix_index_nget(ix,\n    \"k4\",\n    n, \"%d dog\",\n    \"%d dogs\")", "k4|%d dog|%d dogs"},
        {"vellix_nget(h, \"k5\", count(\"x\", 2), \"one\", \"many\")", "k5|one|many"},
        {"printf(vellix_getf(h, \"k6\", \"%d apples\"), n)", "k6|%d apples"},
        {"printf(vellix_ngetf(h, \"k7\", n, \"one pear\", \"%lu pears\"), n)", "k7|one pear|%lu pears"},
        {"texts.tr(\"k8\", \"%d plums\", n)", "k8|%d plums"},
        {"app->texts->ntr(\"k9\", n, \"one fig\", \"%lu figs\", n)", "k9|one fig|%lu figs"},
        {"texts.tr(\"k10\", \"Hello\")", "k10|Hello"},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.call);
        TempDir dir;
        write_file(dir.file("a.c"), std::string("x = ") + row.call + ";\n");
        const RunResult run = run_tool({"extract", dir.file("a.c")});
        EXPECT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(run.err, "");
        EXPECT_EQ(entries_of(run.out), std::vector<std::string>{row.entry});
    }
}

TEST(Extract, OtherFunctionsNamedTrAreNotTaken) {
    TempDir dir;
    write_file(dir.file("a.cpp"), "tr(\"free\", \"function\");\n"      // a free function
                                  "label->tr(\"Qt's one text\");\n"      // a member with one argument
                                  "QObject::tr(\"scoped\", \"name\");\n"
                                  "other.tr(key, text);\n"                // no literal at all: another class's
                                  "other.ntr(\"k\", n, \"too few\");\n"
                                  "texts.tr(\"taken\", \"Taken\");\n");
    const RunResult run = run_tool({"extract", dir.file("a.cpp")});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(entries_of(run.out), std::vector<std::string>{"taken|Taken"});
}

std::string text_of(const std::string &path) {
    const vellix_test::Bytes bytes = vellix_test::read_file(path);
    return std::string(bytes.begin(), bytes.end());
}

TEST(Extract, FindingsAndStatuses) {
    TempDir dir;
    write_file(dir.file("a.c"), "vellix_get(h, key, \"t\");\nvellix_get(h, \"k\", text);\nvellix_get(h, \"same\", \"one\");\n"
                                "vellix_get(h, \"same\",\n  \"two\");\n");
    const RunResult run = run_tool({"extract", dir.file("a.c")});
    EXPECT_EQ(run.status, 1);
    const std::string a = dir.file("a.c");
    EXPECT_EQ(run.err, a + ":1: warning: the key is not a string literal; the call is skipped\n" + a +
                           ":2: warning: the text is not a string literal; the entry's msgid is empty\n" + a +
                           ":4: error: key 'same' is used with another text than before\n" + a +
                           ":3: note: the key's text is first given here\n");
    // What a PO file cannot hold is left out with a warning, so that the template reads back.
    write_file(dir.file("b.c"), "vellix_get(h, \"nul\", \"n\\0ul\");\nvellix_get(h, \"half\", \"\\uD800\");\n"
                                "vellix_get(h, \"ok\", \"fine\");\nvellix_get(h,\n  \"\\xff\", \"byte\");\n"
                                "vellix_get(h, \"wide\", \"\\x4142\");\n"
                                // The same key and, once the refused escape is left out, the same text: still refused.
                                "vellix_get(h, \"ok\", \"fi\\x4142ne\");\n");
    const RunResult skipped = run_tool({"extract", dir.file("b.c")});
    EXPECT_EQ(skipped.status, 0);
    const std::string b = dir.file("b.c");
    const std::string cannot = ", which a PO file cannot hold; the call is skipped\n";
    EXPECT_EQ(skipped.err, b + ":1: warning: a string literal of the call holds a NUL byte" + cannot + b +
                               ":2: warning: a string literal of the call is not valid UTF-8" + cannot + b +
                               ":5: warning: a string literal of the call is not valid UTF-8" + cannot + b +
                               ":6: warning: a string literal of the call has an escape above \\xFF, which compilers refuse in a "
                               "narrow string; the call is skipped\n" +
                               b + ":7: warning: a string literal of the call has an escape above \\xFF, which compilers refuse in a "
                               "narrow string; the call is skipped\n");
    EXPECT_EQ(entries_of(skipped.out), std::vector<std::string>{"ok|fine"});
    EXPECT_EQ(run_tool({"extract"}).status, 2);
    EXPECT_EQ(run_tool({"extract", "--keyword=TR", a}).status, 2);
    EXPECT_EQ(run_tool({"extract", dir.file("missing.c")}).status, 2);
    // Nothing found (the wrappers' names not given): an error naming what was looked for, and the
    // template as it was.
    write_file(dir.file("c.c"), "#define T(k, t) tr(cat, k, t)\nputs(T(\"k\", \"t\"));\nvellix_get(h, key, \"t\");\n");
    write_file(dir.file("app.pot"), "previous");
    const RunResult none = run_tool({"extract", "--keyword=tr2:1,2", "-o", dir.file("app.pot"), dir.file("c.c")});
    EXPECT_EQ(none.status, 1);
    EXPECT_NE(none.err.find("vellix: extract: found no call with a literal key in 1 file (looked for .ntr, .tr, tr2, vellix_get, "
                            "vellix_getf, vellix_index_get, vellix_index_nget, vellix_nget, vellix_ngetf); nothing is written. Name wrapper functions "
                            "and macros with --keyword=NAME:KEY,TEXT[,PLURAL]\n"),
              std::string::npos)
        << none.err;
    EXPECT_EQ(text_of(dir.file("app.pot")), "previous");
    // A wrapper macro's body is no finding; any other expression in it still is.
    write_file(dir.file("d.c"), "#define T(k, t) vellix_get(cat, k, t)\n#define BAD(t) vellix_get(cat, other, t)\n"
                                "puts(T(\"greeting\", \"Hello\"));\n");
    const RunResult wrapped = run_tool({"extract", "--keyword=T:1,2", dir.file("d.c")});
    EXPECT_EQ(wrapped.status, 0);
    EXPECT_EQ(wrapped.err, dir.file("d.c") + ":2: warning: the key is not a string literal; the call is skipped\n");
    EXPECT_EQ(entries_of(wrapped.out), std::vector<std::string>{"greeting|Hello"});
}

#ifndef _WIN32

// Generated code with lookups in many shapes: xgettext, given the same keywords, must find exactly
// the same entries.
std::string generated_code(std::mt19937 &random, int calls) {
    const char *texts[] = {"Plain text", "Text with \\\"quotes\\\"", "Tab\\tand newline\\n", "Octal \\101 hex \\x42",
                           "%d items", "UTF-8 \xC3\xBC text", "Long text that goes on and on, past the width of one PO line, to wrap"};
    std::string code = "#include \"vellix.h\"\n/* vellix_get(h, \"commented\", \"Never\") */\n";
    for (int i = 0; i < calls; ++i) {
        const std::string key = "\"key." + std::to_string(random() % (calls / 2 + 1)) + "\"";
        const std::string text = std::string("\"") + texts[(std::stoi(key.substr(5)) % 7)] + "\"";
        switch (random() % 6) {
        case 0: code += "puts(vellix_get(h, " + key + ", " + text + "));\n"; break;
        case 1: code += "x = vellix_get(h,\n    " + key + ",\n    " + text + ");\n"; break;
        case 2: code += "// vellix_get(h, \"no\", \"No\")\ny = vellix_index_get(ix, " + key + ", " + text + ");\n"; break;
        case 3: code += "z = TR(" + key + ", " + text + ");\n"; break;
        case 4: code += "s = \"vellix_get(h, \\\"no\\\", \\\"No\\\")\"; c = '\"';\n"; break;
        default:
            code += "printf(vellix_nget(h, \"plural." + std::to_string(i) + "\", n, \"%d file\", \"%d files\"), n);\n";
        }
    }
    return code;
}

// Code that a scanner easily misreads, between calls whose texts take every literal form on which
// the two readers agree (where they differ, the README says so and the scanner's tests hold ours).
std::string hostile_code(std::mt19937 &random, int calls) {
    const char *noise[] = {
        "c = '\"'; c = '\\''; c = '\\\\'; c = u8'a'; c = L'('; c = 'ab'; c = ')';\n",
        "<% x<:1:> = 2; %>\n%:define X 1\n",
        "d = 1e+5; d = 0x1p-3; d = 1'000'000; d = 1.5E-3f; d = 0x1P+4L; d = .5e+1; n = 0b1010'1010;\n",
        "s = R\"(f(\"no\", \"No\") )\"; t = u8R\"x(f(\"no\", \"No\"))x\";\n",
        "/* f(\"no\", \"No\") */ // f(\"no\", \"No\")\n",
        "s = \"f(\\\"no\\\", \\\"No\\\")\";\n",
        "int sp\\\nlice = 1;\n",
        "if (a < b && (c > d)) { g(\"x\", (1, 2)); }\n",
    };
    const char *texts[] = {
        "\"plain\"",
        "\"a\" \"b\"",
        "u8\"x\" \"y\"",
        "\"t\" /* c */ \"u\"",
        "\"line\"\n    \"s\"",
        "R\"(raw \"q\" (p))\"",
        "R\"d(a)\"b)d\"",
        "u8R\"(r)\" \"s\"",
        "\"\\x41\\x42\\x0043 \\101\\7\"",
        "\"\\xC3\\xA9 \\u00e9 \\U0001F600\"",
        "\"\\?\\'\\\"\\t\\n\"",
        "\"spl\\\nice\"",
        "\"%s and %d\"",
        "\"sv\"sv",
    };
    std::string code;
    for (int i = 0; i < calls; ++i) {
        code += noise[random() % (sizeof noise / sizeof *noise)];
        code += "f(\"k" + std::to_string(i) + "\", " + texts[random() % (sizeof texts / sizeof *texts)] + ");\n";
    }
    return code;
}

TEST(Extract, ReadsHostileCodeAsXgettextDoes) {
    if (!std::filesystem::exists("/usr/bin/xgettext")) GTEST_SKIP() << "GNU xgettext is not installed";
    TempDir dir;
    std::mt19937 random(7);
    write_file(dir.file("hostile.cpp"), hostile_code(random, 300));
    const RunResult run = run_tool({"extract", "--keyword=f:1,2", "-o", dir.file("ours.pot"), dir.file("hostile.cpp")});
    ASSERT_EQ(run.status, 0) << run.err;
    const RunResult gnu = vellix_test::run_program(
        "/usr/bin/xgettext", {"xgettext", "--keyword=f:1c,2", "--from-code=UTF-8", "-C", "-o", dir.file("theirs.pot"), dir.file("hostile.cpp")});
    ASSERT_EQ(gnu.status, 0) << gnu.err;
    const std::vector<std::string> extracted = entries_of(text_of(dir.file("ours.pot")));
    EXPECT_EQ(extracted.size(), 300u);
    EXPECT_EQ(extracted, entries_of(text_of(dir.file("theirs.pot"))));
}

TEST(Extract, FindsWhatXgettextFinds) {
    if (!std::filesystem::exists("/usr/bin/xgettext")) GTEST_SKIP() << "GNU xgettext is not installed";
    TempDir dir;
    std::mt19937 random(42);
    std::vector<std::string> files;
    for (int i = 0; i < 5; ++i) {
        files.push_back(dir.file("f" + std::to_string(i) + ".c"));
        write_file(files.back(), generated_code(random, 60));
    }
    std::vector<std::string> ours{"extract", "--keyword=TR:1,2", "-o", dir.file("ours.pot")};
    ours.insert(ours.end(), files.begin(), files.end());
    ASSERT_EQ(run_tool(ours).status, 0);
    std::vector<std::string> theirs{"xgettext", "--keyword=vellix_get:2c,3", "--keyword=vellix_index_get:2c,3", "--keyword=vellix_nget:2c,4,5",
                                    "--keyword=TR:1c,2", "--from-code=UTF-8", "-C", "-o", dir.file("theirs.pot")};
    theirs.insert(theirs.end(), files.begin(), files.end());
    const RunResult gnu = vellix_test::run_program("/usr/bin/xgettext", theirs);
    ASSERT_EQ(gnu.status, 0) << gnu.err;
    const std::vector<std::string> extracted = entries_of(text_of(dir.file("ours.pot")));
    EXPECT_GT(extracted.size(), 50u);
    EXPECT_EQ(extracted, entries_of(text_of(dir.file("theirs.pot"))));
}
#endif

}  // namespace
