// The companion program `vellix` run end to end on files written by the tests: what `check` finds
// and how it exits, its command line, and `where` beside vellix_open.
#include "catalog_search.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

namespace {

using vellix_test::Bytes;
using vellix_test::catalog_bytes;
using vellix_test::read_file;
using vellix_test::RunResult;
using vellix_test::run_tool;
using vellix_test::TempDir;
using vellix_test::write_file;

const std::string vellix_tool = VELLIX_TOOL_PATH;
const std::string vellmake = VELLMAKE_PATH;

// `text` with every "@" replaced by `path`.
std::string with_path(std::string text, const std::string &path) {
    for (std::size_t at = text.find('@'); at != std::string::npos; at = text.find('@', at + path.size())) {
        text.replace(at, 1, path);
    }
    return text;
}

struct CheckCase {
    const char *name;
    std::string source;
    std::string expected;  // the report, "@" standing for the source's path
};

const CheckCase check_cases[] = {
    {"a clean source", "# greetings\n-hello\nHello,\n\n world!\n-bye\r\nGoodbye\r\n", ""},
    {"a duplicate key", "-k\none\n-k\ntwo\n",
     "@:3: warning: duplicate key 'k': lookups find only its first definition\n@:1: note: first defined here\n"},
    {"a key without a value", "-lost\n-k\nv\n",
     "@:1: warning: key 'lost' has no value line before the next key line or the end of the source, so it is "
     "dropped\n"},
    {"a key without a value at the end", "-k\nv\n# the end\n-last\n",
     "@:4: warning: key 'last' has no value line before the next key line or the end of the source, so it is "
     "dropped\n"},
    {"text before the first key", "# intro\nstray\nmore\n-k\nv\n",
     "@:2: warning: text before the first key line belongs to no key and is dropped\n"},
    {"a byte-order mark before a key line", "\xEF\xBB\xBF-k\nv\n-j\nw\n",
     "@:1: warning: the source begins with a UTF-8 byte-order mark, so its first line is never a key line or a "
     "comment: the key line for 'k' is not recognised and that key is not defined\n"
     "@:1: warning: text before the first key line belongs to no key and is dropped\n"},
    {"a byte-order mark before a comment", "\xEF\xBB\xBF# texts\n-k\nv\n",
     "@:1: warning: the source begins with a UTF-8 byte-order mark, so its first line is never a key line or a "
     "comment: the comment on it is value text\n"
     "@:1: warning: text before the first key line belongs to no key and is dropped\n"},
    {"a lone carriage return", "-k\nabc\rdef\n",
     "@:2: warning: a carriage return that is not part of a CR LF line end cuts this line: what follows it (3 "
     "bytes) is ignored\n"},
    {"only carriage returns as line ends", "-k\rvalue\r",
     "@:1: warning: a carriage return that is not part of a CR LF line end cuts this line: what follows it (6 "
     "bytes) is ignored\n"
     "@:1: warning: key 'k' has no value line before the next key line or the end of the source, so it is "
     "dropped\n"},
    {"a carriage return ending the last line", "-k\nv\r", ""},
    {"trailing spaces and tabs", "-key\t\nvalue \n# comment  \n",
     "@:1: warning: the line ends in spaces or tabs, which are part of the key\n"
     "@:2: warning: the line ends in spaces or tabs, which are part of the value\n"},
    {"a line of spaces", "-k\nv\n  \t\n",
     "@:3: warning: the line holds only spaces or tabs: it is a value line, not a blank line\n"},
    {"indented key line and comment", "-k\nv\n  -j\n\t# note\n",
     "@:3: warning: the line starts with spaces or tabs before '-': it is a value line, not a key line\n"
     "@:4: warning: the line starts with spaces or tabs before '#': it is a value line, not a comment\n"},
    {"a NUL byte", std::string("-k\nv\n-j\nw\0-lost\nx\n", 18),
     "@:4: warning: a NUL byte ends the source here: what follows it (8 bytes) is ignored\n"},
    {"a control byte in a key", "-a\x01" "b\nv\n-a\x01" "b\nw\n",
     "@:3: warning: duplicate key 'a\\x01b': lookups find only its first definition\n@:1: note: first defined "
     "here\n"},
};

TEST(ToolCheck, ReportsEachTrapWithItsLine) {
    for (const CheckCase &row : check_cases) {
        SCOPED_TRACE(row.name);
        TempDir dir;
        const std::string path = dir.file("de.src");
        write_file(path, row.source);
        const RunResult plain = run_tool({"check", path});
        EXPECT_EQ(plain.out, with_path(row.expected, path));
        EXPECT_EQ(plain.err, "");
        EXPECT_EQ(plain.status, 0) << "warnings alone pass without --strict";
        const RunResult strict = run_tool({"check", "--strict", path});
        EXPECT_EQ(strict.out, plain.out);
        EXPECT_EQ(strict.status, row.expected.empty() ? 0 : 1);
    }
}

struct ReferenceCase {
    const char *name;
    std::string source;
    std::string expected;  // "@" for the source's path, "%R" never used: the reference is "REF"
    int status;
    int strict_status;
};

TEST(ToolCheck, ComparesWithReference) {
    const std::string reference = "-greeting\nHello, %s!\n-files\n%d files in %s\n-ratio\n%5.2f%%\n";
    const ReferenceCase cases[] = {
        {"the same keys and conversions", "-greeting\nHallo, %s!\n-files\n%d Dateien in %s\n-ratio\n%.1f %%\n", "", 0, 0},
        {"arguments reordered by position", "-greeting\n%1$s!\n-files\nIn %2$s: %1$d\n-ratio\n%f\n", "", 0, 0},
        {"a missing key", "-greeting\nHallo, %s!\n-ratio\n%f\n",
         "@: warning: key 'files' of the reference is missing\nREF:3: note: the reference defines it here\n", 1, 1},
        {"an extra key", "-greeting\n%s\n-files\n%d %s\n-ratio\n%f\n-extra\nx\n",
         "@:7: warning: key 'extra' is not in the reference\n", 0, 1},
        {"conversions swapped", "-greeting\n%s\n-files\nIn %s: %d\n-ratio\n%f\n",
         "@:3: warning: the printf conversions of key 'files' differ from the reference: here %s %d, in the "
         "reference %d %s\nREF:3: note: the reference's value is defined here\n",
         1, 1},
        {"a conversion lost", "-greeting\nHallo!\n-files\n%d %s\n-ratio\n%f\n",
         "@:1: warning: the printf conversions of key 'greeting' differ from the reference: here none, in the "
         "reference %s\nREF:1: note: the reference's value is defined here\n",
         1, 1},
        {"a wider type", "-greeting\n%s\n-files\n%lld %s\n-ratio\n%f\n",
         "@:3: warning: the printf conversions of key 'files' differ from the reference: here %lld %s, in the "
         "reference %d %s\nREF:3: note: the reference's value is defined here\n",
         1, 1},
    };
    for (const ReferenceCase &row : cases) {
        SCOPED_TRACE(row.name);
        TempDir dir;
        const std::string path = dir.file("de.src");
        const std::string reference_path = dir.file("en.src");
        write_file(path, row.source);
        write_file(reference_path, reference);
        std::string expected = with_path(row.expected, path);
        for (std::size_t at = expected.find("REF:"); at != std::string::npos; at = expected.find("REF:", at)) {
            expected.replace(at, 3, reference_path);
        }
        const RunResult plain = run_tool({"check", "--against", reference_path, path});
        EXPECT_EQ(plain.out, expected);
        EXPECT_EQ(plain.status, row.status);
        EXPECT_EQ(run_tool({"check", "--strict", "--against=" + reference_path, path}).status, row.strict_status);
    }
}

TEST(ToolCheck, ChecksEverySourceAndFailsOnAnUnreadableOne) {
    TempDir dir;
    write_file(dir.file("good.src"), "-k\nv\n");
    write_file(dir.file("warned.src"), "-k\nv \n");
    const RunResult run = run_tool({"check", dir.file("missing.src"), dir.file("warned.src"), dir.file("good.src")});
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.out, dir.file("warned.src") + ":2: warning: the line ends in spaces or tabs, which are part of the value\n");
    EXPECT_EQ(run.err.rfind("vellix: " + dir.file("missing.src") + ": cannot open: ", 0), 0u) << run.err;
    EXPECT_EQ(run_tool({"check", "--against", dir.file("missing.src"), dir.file("good.src")}).status, 2);
}

TEST(ToolCommandLine, UsageErrorsExitTwoWithTheProgramName) {
    const std::vector<std::vector<std::string>> misuses = {
        {},           {"frobnicate"},       {"check"},          {"check", "--against"}, {"check", "--fast", "x.src"},
        {"where"},    {"where", "a", "b"},  {"dump"},           {"dump", "--all", "x"}, {"dump", "a", "b"},
        {"stats"},
    };
    for (const auto &arguments : misuses) {
        SCOPED_TRACE(arguments.empty() ? "(none)" : arguments.back());
        const RunResult run = run_tool(arguments);
        EXPECT_EQ(run.status, 2);
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(run.err.rfind("vellix: ", 0), 0u) << run.err;
        EXPECT_NE(run.err.find("Try 'vellix --help'"), std::string::npos) << run.err;
    }
}

TEST(ToolCommandLine, HelpAndVersion) {
    const RunResult help = run_tool({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.out.rfind("Usage: vellix COMMAND", 0), 0u);
    for (const char *command : {"check [--strict] [--against REFERENCE] SOURCE...", "where NAME", "dump [--list] CATALOG",
                                "stats SOURCE|CATALOG...", "check --complete [--strict] [--against TEMPLATE] PO...",
                                "stats --fail-under=PERCENT PO..."}) {
        EXPECT_NE(help.out.find(command), std::string::npos) << command;
    }
    const RunResult version = run_tool({"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, std::string("vellix " VELLIX_PACKAGE_VERSION " (library ") + vellixVersion + ")\n");
    EXPECT_EQ(version.out.rfind("vellix 1.", 0), 0u) << version.out;
}

// NLSPATH is saved and restored around each test; the tool inherits the test's environment.
class ToolWhere : public ::testing::Test {
protected:
    // Runs `where` and checks that it agrees with vellix_open on the same search.
    RunResult where(const char *name) {
        const RunResult run = run_tool({"where", name});
        vellix_test::Handle opened{vellix_open(name)};
        EXPECT_EQ(run.status, opened ? 0 : 1) << run.out;
        return run;
    }
    TempDir dir;
    vellix_test::ScopedEnv search_path{"NLSPATH"};
};

bool holds(const std::string &text, const std::string &part) { return text.find(part) != std::string::npos; }

TEST_F(ToolWhere, UnsetSearchPath) {
    search_path.unset();
    const RunResult run = where("app");
    EXPECT_EQ(run.out, "setlocale(LC_ALL, \"\") was called first, as an application would\n"
                       "NLSPATH is not set: vellix_open(\"app\") returns null without searching\n");
}

TEST_F(ToolWhere, EmptySearchPath) {
#ifdef _WIN32
    GTEST_SKIP() << "setting a variable to the empty string removes it from a Windows environment";
#endif
    search_path.set("");
    const RunResult run = where("app");
    EXPECT_TRUE(holds(run.out, "template 1 of 1: \n  path: (empty)\n  does not open\n")) << run.out;
    EXPECT_TRUE(holds(run.out, "vellix_open(\"app\") returns null: no template names a file that opens\n")) << run.out;
}

TEST_F(ToolWhere, FindsTheCatalogOfALaterTemplate) {
    std::filesystem::create_directory(dir.path() / "good");
    const Bytes catalog = catalog_bytes({{"k", "v"}, {"j", "w"}});
    write_file(dir.file("good/app.18c"), std::string(catalog.begin(), catalog.end()));
    const std::string missing = dir.file("missing/%N"), good = dir.file("good/%N");
    search_path.set(missing + ";" + good);
    const RunResult run = where("app");
    const std::string good_path = dir.file("good/app.18c");
    EXPECT_TRUE(holds(run.out, "NLSPATH=" + missing + ";" + good + "\n")) << run.out;
    EXPECT_TRUE(holds(run.out, "template 1 of 2: " + missing + "\n  path: " + dir.file("missing/app.18c") +
                                   "\n  does not open\ntemplate 2 of 2: " + good + "\n  path: " + good_path +
                                   "\n  opened: loaded 2 entries\nvellix_open(\"app\") loads " + good_path + "\n"))
        << run.out;
}

TEST_F(ToolWhere, StopsAtTheFirstFileThatOpens) {
    struct BadFile {
        const char *name;
        std::string bytes;
        const char *verdict;
    };
    const Bytes good = catalog_bytes({{"k", "v"}});
    const BadFile bad_files[] = {
        {"wrong magic", "\x7F" "18D\x01\x00\x00", "  opened: bad magic (its first bytes 7F 31 38 44 are not the catalog magic 7F 31 38 43)\n"},
        {"wrong version", std::string("\x7F" "18C\x02\x00\x00", 7), "  opened: bad version (its version bytes 02 00 00 are not 01 00 00)\n"},
        {"too short", std::string("\x7F" "18C\x01\x00\x00\x00", 8), "  opened: damaged (the file holds 8 bytes, fewer than the 15 of an empty catalog)\n"},
        {"count too large", std::string("\x7F" "18C\x01\x00\x00\x05\x00\x00\x00\x00\x00\x00\x00", 15),
         "  opened: damaged (the entry count 5 cannot fit in the 0 bytes between the header and the count)\n"},
    };
    std::filesystem::create_directory(dir.path() / "bad");
    std::filesystem::create_directory(dir.path() / "good");
    write_file(dir.file("good/app.18c"), std::string(good.begin(), good.end()));
    search_path.set(dir.file("bad/%N") + ";" + dir.file("good/%N") + ";" + dir.file("other/%N"));
    for (const BadFile &row : bad_files) {
        SCOPED_TRACE(row.name);
        write_file(dir.file("bad/app.18c"), row.bytes);
        const RunResult run = where("app");
        EXPECT_TRUE(holds(run.out, row.verdict)) << run.out;
        EXPECT_TRUE(holds(run.out, "vellix_open(\"app\") returns null: the search ends at the first file that opens, "
                                   "so templates 2 to 3 are never tried\n"))
            << run.out;
        EXPECT_FALSE(holds(run.out, "template 2 of 3")) << run.out;
    }
    search_path.set(dir.file("bad/%N") + ";" + dir.file("good/%N"));
    EXPECT_TRUE(holds(where("app").out, "so template 2 is never tried\n"));
}

TEST_F(ToolWhere, ExpandsTheLocaleTheApplicationWouldSet) {
    // What setlocale(LC_ALL, "") gives this process is what the tool must show and use.
    const char *set = std::setlocale(LC_ALL, "");
    const std::string locale = set ? set : std::setlocale(LC_ALL, nullptr);
    std::setlocale(LC_ALL, "C");
    search_path.set(dir.file("%L/%N"));
    const RunResult run = run_tool({"where", "app"});
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(holds(run.out, "%L gives: " + locale + "\n")) << run.out;
    EXPECT_TRUE(holds(run.out, "  path: " + dir.file(locale + "/app.18c") + "\n")) << run.out;
}

}  // namespace
